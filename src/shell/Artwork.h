#pragma once

// The program's pictures: the toolbar glyphs with their cold (at rest) versions, the location
// bar's go glyph, the overwrite dialog's picture and the busy indicator's film strip. Ours are
// SVG files in resources/art (compiled into the program); where the desktop's icon theme has an
// icon of the same meaning, that one is preferred.
//
// Monochrome icons (ours, and the symbolic ones of current themes) are tinted with the palette's
// button text colour when drawn, so they follow a light or dark theme and stay sharp at any
// device pixel ratio. A cold glyph is the same icon, quieter: a monochrome one in a colour half
// way to the button face, a coloured theme icon in grey.
//
// Resource names of the classic toolbar: BK/BKC Back, FW/FWC Forward, UD/UDC Up, VC View,
// VSC Slideshow, DEL Delete, PP Properties, GOTOBMP Goto, OVRWRT OverwritePicture, LOGO
// LogoStrip. GUI thread only.

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace pixmarl {

enum class TArt {
    Back,
    Forward,
    Up,
    View,
    Slideshow,
    Delete,
    Properties,
    Goto,
    List,
    Report,
    Thumbnails
};

QIcon ArtIcon(TArt art);
QIcon ColdArtIcon(TArt art);
// Our own picture, never the theme's (tests and screenshots compare against it).
QIcon OwnArtIcon(TArt art);

// The program's icon: the installed one of the icon theme, else the one built in.
QIcon ProgramIcon();

// The overwrite dialog's picture, edge pixels in device-independent pixels.
QPixmap OverwritePicture(int edge, qreal devicePixelRatio);

// The film strip of the busy indicator: 96 x 23 device-independent pixels, repeating every 48,
// rendered at the given device pixel ratio.
QImage LogoStrip(qreal devicePixelRatio);

}  // namespace pixmarl

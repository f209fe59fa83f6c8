#pragma once

// The toolbar's buttons. TBtn is a flat speed button: it shows its cold glyph at rest and its
// normal glyph while the pointer is over it (hot), draws its panel with the style (raised while
// hot, sunken while pressed or down), and can be linked to a partner that turns hot and cold
// with it (a button and its drop-down arrow). Buttons with the same GroupIndex under one parent
// latch down exclusively. TDropDnBtn opens its menu under itself when pressed.
//
// The main window creates them as children of its toolbar, sets Glyph/ColdGlyph (Artwork.h),
// hints with setToolTip, and connects clicked(); for the history arrows it sets a menu and fills
// it in BeforeClick. GUI thread only.

#include <QAbstractButton>
#include <QIcon>
#include <QMenu>
#include <QPointer>

class QStylePainter;

namespace pixmarl {

class TBtn : public QAbstractButton {
    Q_OBJECT
public:
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

    explicit TBtn(QWidget* parent = nullptr);
    ~TBtn() override;

    // Latched down (GroupIndex != 0); a click in a group sets it, and clears it again only with
    // AllowAllUp.
    bool Down() const { return isChecked(); }
    void SetDown(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value) { allowAllUp_ = value; }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    // Pixels between the edge and the glyph on the layout's side; -1 centres glyph and caption.
    int Margin() const { return margin_; }
    void SetMargin(int value);
    // Pixels between glyph and caption.
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    QIcon Glyph() const { return glyph_; }
    void SetGlyph(const QIcon& glyph);
    // Drawn instead of Glyph while a flat button is not hot; none: Glyph always.
    QIcon ColdGlyph() const { return coldGlyph_; }
    void SetColdGlyph(const QIcon& glyph);
    QSize GlyphSize() const { return iconSize(); }

    // Setting it on one button sets it on the partner too; a destroyed partner is unlinked.
    TBtn* LinkedBtn() const { return linked_; }
    void SetLinkedBtn(TBtn* partner);
    bool Hot() const { return hot_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void nextCheckState() override;
    // The glyph drawn now: the cold one at rest when there is one.
    const QIcon& CurrentGlyph() const;
    void PaintPanel(QStylePainter& painter);
    // The pointer left (or a menu that held it closed): cold again unless it rests on a hot
    // partner.
    void Cool();

private:
    void SetHot(bool value);
    bool PointerInside() const;
    void ReleaseGroup();
    QSize CaptionSize() const;

    QIcon glyph_;
    QIcon coldGlyph_;
    QPointer<TBtn> linked_;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool flat_ = true;
    bool hot_ = false;
};

class TDropDnBtn : public TBtn {
    Q_OBJECT
public:
    explicit TDropDnBtn(QWidget* parent = nullptr);

    QMenu* DropDownMenu() const { return menu_; }
    void SetDropDownMenu(QMenu* menu) { menu_ = menu; }
    // True while the menu is open.
    bool MenuOpen() const { return menuOpen_; }

    QSize sizeHint() const override;

signals:
    // Just before the menu opens, to fill it.
    void BeforeClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QMenu> menu_;
    bool menuOpen_ = false;
};

}  // namespace pixmarl

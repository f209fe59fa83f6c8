#pragma once

// The files that come with Pixmarl besides the program itself. They lie in the program's data
// folder, found relative to the folder of the program: installed under a prefix, the program is
// <prefix>/bin/pixmarl and the help page <prefix>/share/pixmarl/help/index.html; the build puts
// the help page beside the built program the same way (build/share/pixmarl/help for build/src).
// So one rule serves the build tree and every installation, wherever its prefix is.
//
// These look only at the program's own folders, never at user files, so the GUI thread may call
// them.

#include <QString>

namespace pixmarl {

// The help page of a program whose executable lies in programDir, or empty when it is not there.
QString HelpPageBeside(const QString& programDir);

// The help page of the running program, or empty when it is not there.
QString HelpPage();

}  // namespace pixmarl

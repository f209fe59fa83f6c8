#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/ProgramFiles.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

TEST(ProgramFiles, HelpPageLiesInTheDataFolderOfTheProgramsPrefix)
{
    if (QStringLiteral(PIXMARL_DATA_FROM_BINDIR) != QStringLiteral("../share/pixmarl"))
        GTEST_SKIP() << "this build does not use the usual bin/ and share/ layout";
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString prefix = root.path() + QStringLiteral("/usr");
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    const QString page = test::WriteFile(prefix + QStringLiteral("/share/pixmarl/help"),
                                         QStringLiteral("index.html"));
    QDir().mkpath(root.path() + QStringLiteral("/folder/share/pixmarl/help/index.html"));

    const struct {
        const char* programDir;
        QString expected;
    } cases[] = {
        {"/usr/bin", page},        {"/usr/bin/", page},
        {"/usr/bin/../bin", page}, {"/folder/bin", {}},  // index.html is a folder there
        {"/nowhere/bin", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HelpPageBeside(root.path() + QLatin1String(c.programDir)).toStdString(),
                  c.expected.toStdString())
            << c.programDir;
}

TEST(ProgramFiles, BuildPutsTheHelpPageWhereTheBuiltProgramLooks)
{
    EXPECT_FALSE(HelpPageBeside(QStringLiteral(PIXMARL_PROGRAM_BUILD_DIR)).isEmpty());
}

}  // namespace
}  // namespace pixmarl

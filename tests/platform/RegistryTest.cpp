#include <gtest/gtest.h>

#include <limits>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/Registry.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

const QString kKey = QStringLiteral("Software\\Pixmarl");

class RegistryTest : public testing::Test {
protected:
    QString StorePath() const { return dir_.filePath(QStringLiteral("pixmarl.reg")); }
    QString BadPath() const { return StorePath() + QStringLiteral(".bad"); }
    void WriteStore(const QByteArray& text) const
    {
        test::WriteFile(dir_.path(), QStringLiteral("pixmarl.reg"), text);
    }

    QTemporaryDir dir_;
};

TEST_F(RegistryTest, IntegersAndAwkwardStringsComeBackAfterSaveAndLoad)
{
    const std::int32_t integers[] = {0, -1, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()};
    const QString strings[] = {
        QString(),
        QStringLiteral("C:\\Bilder\\"),
        QStringLiteral("say \"cheese\" \\\""),
        QStringLiteral("\\n is not a line break"),
        QStringLiteral("two\nlines\r\nand a CR\r"),
        QStringLiteral("Ärger mit 日本語"),
        QStringLiteral("  padded\t"),
        QStringLiteral("[HKEY_CURRENT_USER\\x]"),
        QStringLiteral("\"x\"=dword:00000001"),
    };
    {
        TRegistry store(StorePath());
        ASSERT_TRUE(store.OpenKey(kKey, true));
        for (size_t i = 0; i < std::size(integers); ++i)
            store.WriteInteger(QString::number(i), integers[i]);
        for (size_t i = 0; i < std::size(strings); ++i) {
            store.WriteString(QStringLiteral("s%1").arg(i), strings[i]);
            store.WriteInteger(QStringLiteral("n") + strings[i], std::int32_t(i));  // as a name
        }
        ASSERT_TRUE(store.Save()) << qPrintable(store.ErrorString());
    }
    TRegistry store(StorePath());
    ASSERT_TRUE(store.OpenKey(kKey, false));
    for (size_t i = 0; i < std::size(integers); ++i)
        EXPECT_EQ(store.ReadInteger(QString::number(i)), integers[i]) << i;
    for (size_t i = 0; i < std::size(strings); ++i) {
        EXPECT_EQ(store.ReadString(QStringLiteral("s%1").arg(i)), strings[i]) << i;
        EXPECT_EQ(store.ReadInteger(QStringLiteral("n") + strings[i]), std::int32_t(i)) << i;
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"pixmarl.reg"});
}

TEST_F(RegistryTest, ReadsOfMissingValuesOrOfTheOtherTypeFail)
{
    WriteStore("REGEDIT4\r\n\r\n; hand-edited\r\n"
               "[HKEY_CURRENT_USER\\Software\\Pixmarl]\r\n"
               "\"Number\"=dword:0000002a\r\n"
               "\"Text\"=\"42\"\r\n"
               "\"Binary\"=hex:01,02,\\\r\n  03\r\n");
    TRegistry store(StorePath());
    EXPECT_FALSE(store.ReadInteger(QStringLiteral("Number"))) << "no key is open yet";
    ASSERT_TRUE(store.OpenKey(kKey, false));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Number")), 42);
    EXPECT_EQ(store.ReadString(QStringLiteral("Text")), QStringLiteral("42"));
    for (const char* name : {"Text", "Binary", "Missing", "number"})
        EXPECT_FALSE(store.ReadInteger(QLatin1String(name))) << name;
    for (const char* name : {"Number", "Binary", "Missing"})
        EXPECT_FALSE(store.ReadString(QLatin1String(name))) << name;

    // A value of another type is kept through a rewrite.
    ASSERT_TRUE(store.Save());
    EXPECT_TRUE(test::ReadWholeFile(StorePath()).contains("\"Binary\"=hex:01,02,03\n"));
}

TEST_F(RegistryTest, KeysAreCreatedWithTheirParentsAndDeletedWithTheirSubKeys)
{
    TRegistry store(StorePath());
    EXPECT_FALSE(store.OpenKey(kKey, false));
    EXPECT_FALSE(store.OpenKey(QStringLiteral("Software\\Bad\nName"), true));
    ASSERT_TRUE(store.OpenKey(QStringLiteral("Software\\Pixmarl\\Favorites\\Deep"), true));
    EXPECT_TRUE(store.KeyExists(QStringLiteral("Software")));

    EXPECT_TRUE(store.DeleteKey(QStringLiteral("Software\\Pixmarl\\Favorites")));
    EXPECT_FALSE(store.KeyExists(QStringLiteral("Software\\Pixmarl\\Favorites\\Deep")));
    EXPECT_FALSE(store.WriteInteger(QStringLiteral("x"), 2)) << "the open key went with it";
    ASSERT_TRUE(store.OpenKey(kKey, false));
    store.WriteString(QStringLiteral("v"), QStringLiteral("text"));
    EXPECT_TRUE(store.DeleteValue(QStringLiteral("v")));
    EXPECT_FALSE(store.ValueExists(QStringLiteral("v")));
}

TEST_F(RegistryTest, DamagedFileReadsAsEmptyAndIsKeptAside)
{
    const QByteArray section = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n";
    const QByteArray damaged[] = {
        QByteArray(),
        "REGEDIT5\n",
        "REGEDIT4\n\"A\"=dword:00000003\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Pixmarl]\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl\n",
        section + "\"A\"=dword:123456789\n",
        section + "\"A\"=dword:12x4\n",
        section + "\"A\"=\"open\n",
        section + "\"A\"=\"x\" trailing\n",
        section + "\"A\"=\"bad \\q escape\"\n",
        section + "\"A\"=-\n",
        section + "\"A\"=hex:01,\\",
        section + "A=3\n",
        QByteArray("REGEDIT4\n\0\xff\xfe garbage", 20),
    };
    for (const QByteArray& text : damaged) {
        SCOPED_TRACE(text.toStdString());
        WriteStore(text);
        TRegistry store(StorePath());
        EXPECT_FALSE(store.KeyExists(kKey));
        EXPECT_EQ(test::ReadWholeFile(BadPath()), text);
        ASSERT_TRUE(store.OpenKey(kKey, true));
        ASSERT_TRUE(store.Save());
        EXPECT_TRUE(TRegistry(StorePath()).KeyExists(kKey));
        EXPECT_EQ(test::ReadWholeFile(BadPath()), text) << "saving leaves the damaged copy";
    }
}

TEST_F(RegistryTest, TemporaryFileLeftByACrashDoesNotHideTheOldSettings)
{
    WriteStore("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=dword:00000004\n");
    test::WriteFile(dir_.path(), QStringLiteral("pixmarl.reg.Xa9b2Q"), "REGEDIT4\n[HKEY_CUR");
    TRegistry store(StorePath());
    ASSERT_TRUE(store.OpenKey(kKey, false));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("A")), 4);
}

// A store kept as a link (into a dotfiles repository) stays a link; its file gets the settings.
TEST_F(RegistryTest, SaveWritesThroughASymbolicLink)
{
    const QString real = test::WriteFile(dir_.path() + "/dotfiles", "pixmarl.reg", "REGEDIT4\n");
    ASSERT_TRUE(QFile::link("dotfiles/pixmarl.reg", StorePath()));
    TRegistry store(StorePath());
    ASSERT_TRUE(store.OpenKey(kKey, true) && store.WriteInteger("A", 7) && store.Save());
    EXPECT_TRUE(QFileInfo(StorePath()).isSymLink() && test::ReadWholeFile(real).contains("\"A\"=dword:00000007"));
}

TEST_F(RegistryTest, FailedSaveKeepsTheOldFile)
{
    // A folder that cannot be made, because its parent is a file.
    test::WriteFile(dir_.path(), QStringLiteral("plain"), "x");
    TRegistry blocked(dir_.filePath(QStringLiteral("plain/pixmarl.reg")));
    EXPECT_FALSE(blocked.Save());
    EXPECT_FALSE(blocked.ErrorString().isEmpty());

    // A folder that refuses new files (not enforced for a privileged user: skipped then).
    const QByteArray old = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n";
    WriteStore(old);
    const auto permissions = QFile::permissions(dir_.path());
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool enforced = !QFile(dir_.filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly);
    TRegistry store(StorePath());
    store.OpenKey(QStringLiteral("Software\\Other"), true);
    EXPECT_EQ(store.Save(), !enforced);
    QFile::setPermissions(dir_.path(), permissions);
    if (enforced) {
        EXPECT_EQ(test::ReadWholeFile(StorePath()), old);
    }
}

}  // namespace
}  // namespace pixmarl

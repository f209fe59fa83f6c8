#include <gtest/gtest.h>

#include <limits>

#include <QDir>
#include <QFile>
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
    QStringList FolderContents() const
    {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir dir_;
};

TEST_F(RegistryTest, ValuesOfEveryKindComeBackAfterSaveAndLoad)
{
    const std::int32_t integers[] = {0, 1, -1, 0x7FFF, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()};
    const QString strings[] = {
        QString(),
        QStringLiteral("C:\\Bilder\\"),
        QStringLiteral("say \"cheese\""),
        QStringLiteral("\\\""),
        QStringLiteral("\\n is not a line break"),
        QStringLiteral("two\nlines\r\nand a CR\r"),
        QStringLiteral("Ärger mit 日本語 und ñ"),
        QStringLiteral("  padded\t"),
        QStringLiteral("[HKEY_CURRENT_USER\\x]"),
        QStringLiteral("\"x\"=dword:00000001"),
        QStringLiteral("; not a comment"),
    };
    {
        TRegistry store(StorePath());
        ASSERT_TRUE(store.OpenKey(kKey, true));
        for (size_t i = 0; i < std::size(integers); ++i)
            store.WriteInteger(QStringLiteral("int %1").arg(i), integers[i]);
        for (size_t i = 0; i < std::size(strings); ++i) {
            store.WriteString(QStringLiteral("str %1").arg(i), strings[i]);
            // The same awkward text as a value name.
            store.WriteInteger(QStringLiteral("name ") + strings[i], std::int32_t(i));
        }
        ASSERT_TRUE(store.Save()) << qPrintable(store.ErrorString());
    }
    TRegistry store(StorePath());
    ASSERT_TRUE(store.OpenKey(kKey, false));
    for (size_t i = 0; i < std::size(integers); ++i)
        EXPECT_EQ(store.ReadInteger(QStringLiteral("int %1").arg(i)), integers[i]) << i;
    for (size_t i = 0; i < std::size(strings); ++i) {
        EXPECT_EQ(store.ReadString(QStringLiteral("str %1").arg(i)), strings[i]) << i;
        EXPECT_EQ(store.ReadInteger(QStringLiteral("name ") + strings[i]), std::int32_t(i)) << i;
    }
}

TEST_F(RegistryTest, FileIsTheRegeditTextForm)
{
    TRegistry store(StorePath());
    ASSERT_TRUE(store.OpenKey(QStringLiteral("Software\\Pixmarl\\Favorites"), true));
    store.WriteInteger(QStringLiteral("Count"), 10);
    store.WriteString(QStringLiteral("1"), QStringLiteral("/home/ann"));
    ASSERT_TRUE(store.OpenKey(kKey, false));
    store.WriteInteger(QStringLiteral("TopLeft"), -2);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(test::ReadWholeFile(StorePath()), QByteArray("REGEDIT4\n"
                                                           "\n"
                                                           "[HKEY_CURRENT_USER\\Software]\n"
                                                           "\n"
                                                           "[HKEY_CURRENT_USER\\Software\\Pixmarl]\n"
                                                           "\"TopLeft\"=dword:fffffffe\n"
                                                           "\n"
                                                           "[HKEY_CURRENT_USER\\Software\\Pixmarl\\Favorites]\n"
                                                           "\"Count\"=dword:0000000a\n"
                                                           "\"1\"=\"/home/ann\"\n"));
}

TEST_F(RegistryTest, ReadsOfMissingValuesOrOfTheOtherTypeFail)
{
    test::WriteFile(dir_.path(), QStringLiteral("pixmarl.reg"),
                    "REGEDIT4\r\n\r\n"
                    "; hand-edited\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Pixmarl]\r\n"
                    "\"Number\"=dword:0000002a\r\n"
                    "\"Text\"=\"42\"\r\n"
                    "\"Binary\"=hex:01,02,\\\r\n"
                    "  03,04\r\n"
                    "@=\"unnamed\"\r\n");
    TRegistry store(StorePath());
    EXPECT_FALSE(store.ReadInteger(QStringLiteral("Number"))) << "no key is open yet";
    ASSERT_TRUE(store.OpenKey(kKey, false));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Number")), 42);
    EXPECT_EQ(store.ReadString(QStringLiteral("Text")), QStringLiteral("42"));
    EXPECT_EQ(store.ReadString(QString()), QStringLiteral("unnamed"));

    const struct {
        const char* name;
        bool asInteger;
    } failing[] = {
        {"Number", false}, {"Text", true},     {"Binary", true},
        {"Binary", false}, {"Missing", true},  {"Missing", false},
        {"number", true},
    };
    for (const auto& c : failing) {
        const QString name = QLatin1String(c.name);
        if (c.asInteger)
            EXPECT_FALSE(store.ReadInteger(name)) << c.name;
        else
            EXPECT_FALSE(store.ReadString(name)) << c.name;
    }
    EXPECT_TRUE(store.ValueExists(QStringLiteral("Binary")));
}

TEST_F(RegistryTest, ValuesOfOtherTypesSurviveARewrite)
{
    const QByteArray text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n"
                            "\"Binary\"=hex:01,02,03\n";
    test::WriteFile(dir_.path(), QStringLiteral("pixmarl.reg"), text);
    TRegistry store(StorePath());
    ASSERT_TRUE(store.Save());
    EXPECT_TRUE(test::ReadWholeFile(StorePath()).contains("\"Binary\"=hex:01,02,03\n"));
}

TEST_F(RegistryTest, KeysAreOpenedCreatedAndDeletedWithTheirSubKeys)
{
    TRegistry store(StorePath());
    EXPECT_FALSE(store.OpenKey(kKey, false));
    ASSERT_TRUE(store.OpenKey(QStringLiteral("Software\\Pixmarl\\Favorites\\Deep"), true));
    store.WriteInteger(QStringLiteral("x"), 1);
    EXPECT_TRUE(store.KeyExists(QStringLiteral("Software")));
    EXPECT_TRUE(store.KeyExists(kKey));
    EXPECT_FALSE(store.OpenKey(QStringLiteral("Software\\Bad\nName"), true));

    EXPECT_TRUE(store.DeleteKey(QStringLiteral("Software\\Pixmarl\\Favorites")));
    EXPECT_FALSE(store.KeyExists(QStringLiteral("Software\\Pixmarl\\Favorites\\Deep")));
    EXPECT_FALSE(store.WriteInteger(QStringLiteral("x"), 2)) << "the open key went with it";
    EXPECT_TRUE(store.KeyExists(kKey));
    EXPECT_FALSE(store.DeleteKey(QStringLiteral("Software\\Pixmarl\\Favorites")));

    ASSERT_TRUE(store.OpenKey(kKey, false));
    store.WriteString(QStringLiteral("v"), QStringLiteral("text"));
    EXPECT_TRUE(store.DeleteValue(QStringLiteral("v")));
    EXPECT_FALSE(store.DeleteValue(QStringLiteral("v")));
    EXPECT_FALSE(store.ReadString(QStringLiteral("v")));

    ASSERT_TRUE(store.Save());
    TRegistry reloaded(StorePath());
    EXPECT_TRUE(reloaded.KeyExists(kKey));
    EXPECT_FALSE(reloaded.KeyExists(QStringLiteral("Software\\Pixmarl\\Favorites")));
}

TEST_F(RegistryTest, DamagedFileReadsAsEmptyAndIsKeptAside)
{
    const QByteArray valid = "\"Thumb.Size\"=dword:00000003\n";
    const QByteArray damaged[] = {
        QByteArray(),
        "REGEDIT5\n",
        "\"Thumb.Size\"=dword:00000003\n",
        "REGEDIT4\n" + valid,
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Pixmarl]\n" + valid,
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl\n" + valid,
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=dword:123456789\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=dword:12x4\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=dword:\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=\"open\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=\"x\" trailing\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=\"bad \\q escape\"\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=-\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\n\"A\"=hex:01,\\",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Pixmarl]\nThumb.Size=3\n",
        QByteArray("REGEDIT4\n\0\xff\xfe garbage", 20),
    };
    for (const QByteArray& text : damaged) {
        SCOPED_TRACE(text.toStdString());
        QFile::remove(BadPath());
        test::WriteFile(dir_.path(), QStringLiteral("pixmarl.reg"), text);
        TRegistry store(StorePath());
        EXPECT_FALSE(store.KeyExists(kKey));
        EXPECT_FALSE(QFile::exists(StorePath()));
        EXPECT_EQ(test::ReadWholeFile(BadPath()), text);

        ASSERT_TRUE(store.OpenKey(kKey, true));
        store.WriteInteger(QStringLiteral("Thumb.Size"), 4);
        ASSERT_TRUE(store.Save());
        EXPECT_EQ(test::ReadWholeFile(BadPath()), text) << "saving leaves the damaged copy";
        EXPECT_EQ(TRegistry(StorePath()).OpenKey(kKey, false), true);
    }
}

TEST_F(RegistryTest, TemporaryFileLeftByACrashDoesNotHideTheOldSettings)
{
    {
        TRegistry store(StorePath());
        ASSERT_TRUE(store.OpenKey(kKey, true));
        store.WriteInteger(QStringLiteral("Thumb.Size"), 4);
        ASSERT_TRUE(store.Save());
    }
    test::WriteFile(dir_.path(), QStringLiteral("pixmarl.reg.Xa9b2Q"),
                    "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Pix");
    TRegistry store(StorePath());
    ASSERT_TRUE(store.OpenKey(kKey, false));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Thumb.Size")), 4);
    EXPECT_FALSE(QFile::exists(BadPath()));
}

TEST_F(RegistryTest, SavingLeavesNoTemporaryFilesAndCreatesTheFolder)
{
    const QString nested = dir_.filePath(QStringLiteral("config/pixmarl/pixmarl.reg"));
    TRegistry store(nested);
    ASSERT_TRUE(store.OpenKey(kKey, true));
    ASSERT_TRUE(store.Save());
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(QDir(dir_.filePath(QStringLiteral("config/pixmarl"))).entryList(QDir::Files),
              QStringList{QStringLiteral("pixmarl.reg")});
}

TEST_F(RegistryTest, FailedSaveReportsAndKeepsTheOldFile)
{
    // A folder that cannot be made: its parent is a file.
    test::WriteFile(dir_.path(), QStringLiteral("plain"), "x");
    TRegistry blocked(dir_.filePath(QStringLiteral("plain/pixmarl.reg")));
    ASSERT_TRUE(blocked.OpenKey(kKey, true));
    EXPECT_FALSE(blocked.Save());
    EXPECT_FALSE(blocked.ErrorString().isEmpty());

    // A folder that refuses new files (not enforced for a privileged user: skipped then).
    {
        TRegistry store(StorePath());
        ASSERT_TRUE(store.OpenKey(kKey, true));
        store.WriteInteger(QStringLiteral("Thumb.Size"), 4);
        ASSERT_TRUE(store.Save());
    }
    const QByteArray before = test::ReadWholeFile(StorePath());
    const auto permissions = QFile::permissions(dir_.path());
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(dir_.filePath(QStringLiteral("probe")));
    const bool enforced = !probe.open(QIODevice::WriteOnly);
    probe.close();
    probe.remove();
    if (enforced) {
        TRegistry store(StorePath());
        ASSERT_TRUE(store.OpenKey(kKey, false));
        store.WriteInteger(QStringLiteral("Thumb.Size"), 5);
        EXPECT_FALSE(store.Save());
    }
    QFile::setPermissions(dir_.path(), permissions);
    EXPECT_EQ(test::ReadWholeFile(StorePath()), before);
    if (!enforced)
        GTEST_SKIP() << "permissions are not enforced for this user";
}

TEST(RegistryLocation, ConfigDirVariableChoosesTheFolder)
{
    const QByteArray old = qgetenv("PIXMARL_CONFIG_DIR");
    qputenv("PIXMARL_CONFIG_DIR", "/tmp/somewhere");
    EXPECT_EQ(TRegistry::DefaultFileName(), QStringLiteral("/tmp/somewhere/pixmarl.reg"));
    qunsetenv("PIXMARL_CONFIG_DIR");
    EXPECT_TRUE(TRegistry::DefaultFileName().endsWith(QStringLiteral("/pixmarl/pixmarl.reg")));
    if (!old.isEmpty())
        qputenv("PIXMARL_CONFIG_DIR", old);
}

TEST(RegistryText, FormattedTextParsesToTheSameTree)
{
    TRegTree tree;
    tree[QString()].Values.emplace_back(QStringLiteral("root"), std::int32_t(7));
    tree[QStringLiteral("A")];
    tree[QStringLiteral("A\\B c")].Values.emplace_back(QString(), QStringLiteral("x\\y\n"));
    tree[QStringLiteral("A\\B c")].Values.emplace_back(QStringLiteral("h"),
                                                       TRegRawValue{QStringLiteral("hex:00")});
    const std::optional<TRegTree> parsed = ParseRegFile(FormatRegFile(tree));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, tree);
}

}  // namespace
}  // namespace pixmarl

#include <gtest/gtest.h>

#include <set>

#include <QFileInfo>
#include <QTemporaryDir>

#include "fileops/FileNames.h"
#include "fileops/FileOps.h"
#include "fileops/ScriptedPrompts.h"
#include "platform/Paths.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::ReadWholeFile;
using test::TScriptedPrompts;
using test::WriteFile;

TEST(FileNames, EachOfTheNineCharactersMakesANameInvalid)
{
    for (const QChar c : QStringLiteral("\\/:?\"<>|*"))
        EXPECT_TRUE(IsInvalidFileName(QStringLiteral("a") + c + QStringLiteral("b.jpg")))
            << int(c.unicode());
    for (const char* valid : { "a.jpg", "Holiday 2024 (1).JPG", "#2.jpg", "a;b,c=d+e'f.gif", "" })
        EXPECT_FALSE(IsInvalidFileName(QString::fromUtf8(valid))) << valid;
    EXPECT_EQ(InvalidFileNameMessage(),
        QStringLiteral("A filename must not contain one of the following characters\n"
                       "\\/:?\"<>|*"));
}

TEST(FileNames, UniqueNameCountsFromTwoBeforeTheExtension)
{
    const struct {
        QStringList existing;
        const char* name;
        const char* expected;
    } cases[] = {
        { { "a.jpg", "a#2.jpg" }, "a.jpg", "a#3.jpg" },
        { { "a.jpg" }, "a.jpg", "a#2.jpg" },
        { { "README" }, "README", "README#2" },
        { { "x.tar.gz", "x.tar#2.gz" }, "x.tar.gz", "x.tar#3.gz" },
        { { "b.jpg", "b#3.jpg" }, "b.jpg", "b#2.jpg" },
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        for (const QString& name : c.existing)
            WriteFile(dir.path(), name);
        EXPECT_EQ(UniqueFileName(JoinPath(dir.path(), c.name)),
            JoinPath(dir.path(), QString::fromUtf8(c.expected)));
    }
}

TEST(FileNames, DotAtTheEndOffersTheExtension)
{
    const struct {
        const char* text;
        int caret;
        bool selection;
        const char* ext;
        bool inserts;
        const char* result;
        int selStart, selLength;
    } cases[] = {
        // typed at the end, or where the base name ends; else typed as usual
        { "x", 1, false, ".JPG", true, "x.JPG", 2, 3 },
        { "IMG_0001", 8, false, ".jpeg", true, "IMG_0001.jpeg", 9, 4 },
        { "x.JPG", 1, false, ".JPG", true, "x.JPG", 2, 3 },
        { "x.JPG", 0, false, ".JPG", false, "", 0, 0 },
        { "x.JPG", 1, false, ".gif", false, "", 0, 0 },
        { "x", 0, false, ".JPG", false, "", 0, 0 },
        { "x", 1, true, ".JPG", false, "", 0, 0 },
        { "x", 1, false, "", true, "x", 1, 0 },  // no extension: the dot is dropped
        { "x", 0, false, "", false, "", 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto edit = DotInsertsExtension(c.text, c.caret, c.selection, c.ext);
        ASSERT_EQ(edit.has_value(), c.inserts);
        if (!edit)
            continue;
        EXPECT_EQ(edit->Text, QString::fromUtf8(c.result));
        EXPECT_EQ(edit->SelStart, c.selStart);
        EXPECT_EQ(edit->SelLength, c.selLength);
    }
    EXPECT_EQ(BaseNameLength(QStringLiteral("IMG_0001.JPG")), 8);
    EXPECT_EQ(BaseNameLength(QStringLiteral("noext")), 5);
}

// A user at the overwrite dialog who gives the listed answers in turn and notes the questions.
struct TScriptedOverwrite {
    std::vector<TOverwriteReply> replies;
    std::vector<TOverwriteQuestion> asked;
    std::vector<bool> replyTaken;  // whether the name answered was in use when asked
    std::function<void()> whileAsked = {};  // what happens on disk during the first question
    TOverwriteReply operator()(const TOverwriteQuestion& q)
    {
        if (asked.empty() && whileAsked)
            whileAsked();
        asked.push_back(q);
        replyTaken.push_back(
            asked.size() <= replies.size() && q.Taken(replies[asked.size() - 1].NewTarget));
        if (asked.size() > replies.size())
            return { oaCancel, {} };
        TOverwriteReply reply = replies[asked.size() - 1];
        if ((reply.Answer == oaRename || reply.Answer == oaRenameAll) && reply.NewTarget.isEmpty())
            reply.NewTarget = q.Proposal;
        return reply;
    }
};

class FileOpsTest : public testing::Test {
protected:
    FileOpsTest()
    {
        ops_.OnAskOverwrite = [this](const TOverwriteQuestion& q) { return overwrite_(q); };
        ops_.OnExecute = [this](const TFileOpRequest& request) {
            requests_.push_back(request);
            return TFileOperation(request, prompts_).Run();
        };
        ops_.OnMessage = [this](const QString& caption, const QString& text) {
            messages_ << caption + u'|' + text;
        };
        ops_.OnOwnChange = [this] { ++ownChanges_; };
        ops_.OnOwnChangeTakenBack = [this] { --ownChanges_; };
    }

    // Five files a..e in the source folder; b, c and e exist in the target with other content,
    // and the name e#2.jpg is taken there.
    QStringList FiveWithThreeConflicts()
    {
        QStringList files;
        for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg" })
            files << WriteFile(src_, name, QByteArray("new ") + name);
        for (const char* name : { "b.jpg", "c.jpg", "e.jpg" })
            WriteFile(dst_, name, QByteArray("old ") + name);
        WriteFile(dst_, "e#2.jpg", "taken");
        return files;
    }
    // The target folder as name=content, sorted, with ".jpg" left out.
    QStringList TargetFiles() const
    {
        QStringList files;
        for (const QString& name : QDir(dst_).entryList(QDir::Files | QDir::Hidden))
            files << QString(name + u'=' + QString::fromUtf8(ReadWholeFile(JoinPath(dst_, name))))
                         .remove(QStringLiteral(".jpg"));
        files.sort();
        return files;
    }
    QByteArray At(const QString& name) const { return ReadWholeFile(JoinPath(dst_, name)); }

    QTemporaryDir dir_;
    QString src_ = test::MakeFolder(dir_.path(), "src");
    QString dst_ = test::MakeFolder(dir_.path(), "dst");
    TFileOps ops_;
    TScriptedOverwrite overwrite_;
    TScriptedPrompts prompts_;
    std::vector<TFileOpRequest> requests_;
    QStringList messages_;
    int ownChanges_ = 0;
};

TEST_F(FileOpsTest, AnswersForOneConflictOrForAll)
{
    const struct {
        const char* name;
        std::vector<TOverwriteReply> replies;
        size_t questions;
        QStringList target;  // the target folder afterwards
        const char* appears = nullptr;  // written into the target folder during the question
    } cases[] = {
        { "replace none", { { oaReplaceNone, {} } }, 1,
            { "a=new a", "b=old b", "c=old c", "d=new d", "e#2=taken", "e=old e" } },
        { "replace all", { { oaReplaceAll, {} } }, 1,
            { "a=new a", "b=new b", "c=new c", "d=new d", "e#2=taken", "e=new e" } },
        { "one by one", { { oaReplace, {} }, { oaDontReplace, {} }, { oaReplace, {} } }, 3,
            { "a=new a", "b=new b", "c=old c", "d=new d", "e#2=taken", "e=new e" } },
        // renames every conflict without asking again, around names in use
        { "rename all", { { oaRenameAll, {} } }, 1,
            { "a=new a", "b#2=new b", "b=old b", "c#2=new c", "c=old c", "d=new d", "e#2=taken",
                "e#3=new e", "e=old e" } },
        // only what the user allowed is replaced: the newcomer is asked about, and skipped
        { "a target appears while asked", { { oaReplaceAll, {} } }, 1,
            { "a=new a", "b=new b", "c=new c", "d=appeared", "e#2=taken", "e=new e" }, "d.jpg" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(src_).removeRecursively();
        QDir(dst_).removeRecursively();
        test::MakeFolder(dir_.path(), "src");
        test::MakeFolder(dir_.path(), "dst");
        overwrite_ = { c.replies, {}, {} };
        overwrite_.whileAsked = [&] { if (c.appears) WriteFile(dst_, c.appears, "appeared"); };
        requests_.clear();
        prompts_.errors.clear();
        EXPECT_EQ(ops_.CopyMoveFiles(FiveWithThreeConflicts(), foCopy, dst_), !c.appears);
        EXPECT_EQ(prompts_.errors.size(), c.appears ? 1u : 0u);
        ASSERT_EQ(overwrite_.asked.size(), c.questions);
        EXPECT_TRUE(overwrite_.asked[0].Multiple);
        EXPECT_EQ(overwrite_.asked[0].Proposal, JoinPath(dst_, "b#2.jpg"));
        EXPECT_EQ(TargetFiles(), c.target);
        ASSERT_EQ(requests_.size(), 1u);
        if (c.replies[0].Answer == oaRenameAll) {
            EXPECT_EQ(requests_[0].Flags, 0x51u);
        }
    }
}

TEST_F(FileOpsTest, CancelOrAClosedSingleQuestionWritesNothing)
{
    for (const TOverwriteAnswer answer : { oaCancel, oaDontReplace }) {
        WriteFile(dst_, "one.jpg", "old");
        overwrite_ = { { { answer, {} } }, {}, {} };
        EXPECT_FALSE(ops_.CopyMoveFiles({ WriteFile(src_, "one.jpg", "new") }, foMove, dst_));
        EXPECT_FALSE(overwrite_.asked.at(0).Multiple);
        EXPECT_EQ(At("one.jpg"), "old");
        EXPECT_TRUE(QFileInfo::exists(JoinPath(src_, "one.jpg")));
    }
    overwrite_ = { { { oaCancel, {} } }, {}, {} };
    EXPECT_FALSE(ops_.CopyMoveFiles(FiveWithThreeConflicts(), foCopy, dst_));
    EXPECT_FALSE(QFileInfo::exists(JoinPath(dst_, "a.jpg")));
    EXPECT_TRUE(requests_.empty());
}

// Two targets of one run never meet: not for two sources of one name, nor for a typed name that
// the run is about to write (it falls back to the proposal).
TEST_F(FileOpsTest, TwoTargetsOfOneRunNeverMeet)
{
    const QString first = WriteFile(src_ + "/x", "same.jpg", "first");
    const QString second = WriteFile(src_ + "/y", "same.jpg", "second");
    overwrite_.replies = { { oaRename, {} } };
    ASSERT_TRUE(ops_.CopyMoveFiles({ first, second }, foMove, dst_));
    ASSERT_EQ(overwrite_.asked.size(), 1u);
    EXPECT_EQ(overwrite_.asked[0].Existing, first);
    EXPECT_EQ(At("same.jpg"), "first");
    EXPECT_EQ(At("same#2.jpg"), "second");

    const QString b = WriteFile(src_, "b.jpg", "new b");
    const QString c = WriteFile(src_, "c.jpg", "new c");
    WriteFile(dst_, "b.jpg", "old b");
    overwrite_ = { { { oaRename, JoinPath(dst_, "c.jpg") } }, {}, {} };
    ASSERT_TRUE(ops_.CopyMoveFiles({ b, c }, foCopy, dst_));
    EXPECT_EQ(overwrite_.replyTaken, std::vector<bool> { true });
    EXPECT_EQ(At("c.jpg"), "new c");
    EXPECT_EQ(At("b#2.jpg"), "new b");
}

TEST_F(FileOpsTest, CopyUnderOtherNamesUsesOnlyTheNamePartOfEachTarget)
{
    const QString a = WriteFile(src_, "a.jpg", "A");
    ASSERT_TRUE(ops_.CopyMoveFilesAs({ a }, { "/elsewhere/renamed.jpg" }, foCopy, dst_));
    EXPECT_EQ(At("renamed.jpg"), "A");
    EXPECT_FALSE(ops_.CopyMoveFilesAs({ a }, { "x.jpg" }, foDelete, dst_));
    EXPECT_FALSE(ops_.CopyMoveFilesAs({ a }, {}, foCopy, dst_));
    EXPECT_FALSE(ops_.CopyMoveFiles({ a }, foCopy, QString()));
    EXPECT_TRUE(requests_.size() == 1u);
}

TEST_F(FileOpsTest, CreatePageDescribesTheTargetOnly)
{
    WriteFile(dst_, "out.jpg", "exists");
    QStringList sources { JoinPath(src_, "in.bmp") };
    QStringList targets { JoinPath(dst_, "out.jpg") };
    overwrite_.replies = { { oaRename, {} } };
    ASSERT_TRUE(ops_.RequestOverwrite(sources, targets, true));
    EXPECT_TRUE(overwrite_.asked[0].Source.isEmpty());
    EXPECT_EQ(targets, QStringList { JoinPath(dst_, "out#2.jpg") });
}

TEST_F(FileOpsTest, RenameAnnouncesItsChangeAndTakesItBackOnFailure)
{
    const QString a = WriteFile(src_, "a.jpg", "A");
    WriteFile(src_, "taken.jpg", "T");
    const struct {
        const char* newName;
        bool ok;
        int ownChanges;
        bool message;
        bool folder = false;  // the file monitor of the shown folder ignores folder names
    } cases[] = {
        { "b*.jpg", false, 0, true },
        { "sub/b.jpg", false, 0, true },
        { "taken.jpg", false, 0, false },
        { "a.jpg", true, 0, false },
        { "b.jpg", true, 1, false },
        { "album", true, 0, false, true },
    };
    const QString album = test::MakeFolder(src_, "old album");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.newName);
        ownChanges_ = 0;
        messages_.clear();
        EXPECT_EQ(c.folder ? ops_.RenameFolder(album, c.newName) : ops_.RenameFile(a, c.newName),
            c.ok);
        EXPECT_EQ(ownChanges_, c.ownChanges);
        EXPECT_EQ(messages_.size(), c.message ? 1 : 0);
        if (c.message) {
            EXPECT_EQ(messages_.value(0), QStringLiteral("Rename|") + InvalidFileNameMessage());
        }
    }
    EXPECT_EQ(ReadWholeFile(JoinPath(src_, "b.jpg")), "A");
    EXPECT_EQ(ReadWholeFile(JoinPath(src_, "taken.jpg")), "T");
}

}  // namespace
}  // namespace pixmarl

#include "support/modal_script.h"
#include "support/testenv.h"

#include "platform/msgbox.h"

#include <QDialog>
#include <gtest/gtest-spi.h>

namespace {

int Ask(const QString& text) { return MsgBox(text, vbStyle::Question + vbStyle::YesNo, "提示"); }

int RunDialog(const QString& name)
{
    QDialog d;
    d.setObjectName(name);
    d.setWindowTitle("标题");
    return WindowRegistry::execModal(d);
}

} // namespace

TEST(StrictResponders, UnscriptedBoxFailsTheTestWithItsText)
{
    MsgRecorder msgs;
    msgs.setStrict(true);
    EXPECT_NONFATAL_FAILURE(Ask("真的要删除吗?"), "unscripted message box: \"真的要删除吗?\"");
    EXPECT_EQ(msgs.count(), 1);
}

TEST(StrictResponders, ScriptedBoxesAreAnsweredInOrderAndCheckedByText)
{
    MsgRecorder msgs;
    msgs.setStrict(true);
    msgs.expect("删除");             // a question is answered Yes unless told
    msgs.expect("删除", vbBtn::No);
    msgs.answer(vbBtn::No);          // any text
    EXPECT_EQ(Ask("真的要删除吗?"), vbBtn::Yes);
    EXPECT_EQ(Ask("真的要删除吗?"), vbBtn::No);
    EXPECT_EQ(Ask("别的问题"), vbBtn::No);
    EXPECT_EQ(msgs.pending(), 0);

    msgs.expect("保存成功");
    EXPECT_NONFATAL_FAILURE(MsgBox("保存失败!"), "message box \"保存失败!\" where \"保存成功\" was scripted");
}

TEST(StrictResponders, ExpectedBoxThatNeverCameFailsTheTest)
{
    auto msgs = std::make_unique<MsgRecorder>();
    msgs->expect("保存成功");
    EXPECT_NONFATAL_FAILURE(msgs.reset(), "scripted message box never shown: \"保存成功\"");
    // A lenient recorder leaves spare plain answers alone.
    MsgRecorder lenient;
    lenient.answer(vbBtn::No);
}

TEST(StrictResponders, UnscriptedDialogFailsWithItsNameAndIsCancelled)
{
    ModalScript modal(true);
    int result = -1;
    EXPECT_NONFATAL_FAILURE(result = RunDialog("S03"), "unscripted dialog: S03");
    EXPECT_EQ(result, QDialog::Rejected);
    modal.cancel("S03");
    EXPECT_EQ(RunDialog("S03"), QDialog::Rejected);
    modal.on("S2", [](QDialog& d) { d.accept(); });
    EXPECT_EQ(RunDialog("S2"), QDialog::Accepted);
    EXPECT_EQ(modal.shown, (QStringList{"S03", "S03", "S2"}));
}

TEST(StrictResponders, UnscriptedFileDialogFailsAndAnEmptyAnswerCancels)
{
    FileDialogRecorder files;
    files.setStrict(true);
    EXPECT_NONFATAL_FAILURE(ChooseOpenFile(nullptr, "恢复业务数据", QString(), QString()),
                            "unscripted file dialog: \"恢复业务数据\"");
    files.answer("");
    EXPECT_EQ(ChooseOpenFile(nullptr, "恢复业务数据", QString(), QString()), "");
}

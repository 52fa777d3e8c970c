#pragma once
#include "support/modal_script.h"
#include "support/testenv.h"

#include "data/datafile_lock.h"
#include "data/globals.h"
#include "shell/mform.h"
#include "shell/startup.h"
#include "platform/window_registry.h"

#include <QDialog>
#include <QTemporaryDir>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

// A program folder with its data file open, a message recorder and the main
// window, logged in as the administrator. Every box and dialog must be scripted.
class ShellTest : public DataTest {
protected:
    ShellTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        ResetProgramEndRequest();
        modal = std::make_unique<ModalScript>(true);
        main = std::make_unique<MForm>();
    }
    void TearDown() override
    {
        gEditing.clear();
        main.reset();
        Pump();
        modal.reset();
        DataTest::TearDown();
    }
    // Adds an operator; rights are the SQL texts for F60..F67 ("1", "0", "Null").
    void addOperator(const QString& code, const QString& name, const QString& password, const QStringList& rights);

    std::unique_ptr<ModalScript> modal;
    std::unique_ptr<MForm> main;
};

// Start-up (Main) in a folder the test prepares, every box scripted.
class StartFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        msgs.setStrict(true);
        ResetProgramEndRequest();
        gDb.reset();
    }
    void TearDown() override
    {
        delete MForm::current();
        Pump();
        gDb.reset();
        gDbLock.reset();
    }
    QString dataFile() const { return tmp.path() + "/vembra.dat"; }

    // A start that failed: one box titled "Vembra Studio" opening with the
    // start-up failure text, the windows shown after it, then the end, with
    // no main window and no data file left open. Returns the box's text.
    QString expectStartEnded(bool goesOn, const QStringList& windowsShown);

    QTemporaryDir tmp;
    MsgRecorder msgs;
    ModalScript modal{true};
};

// A data file open with strict boxes and file dialogs, for the windows that
// copy the data file (backup, restore) and may end the program.
class FileCopyTest : public DataTest {
protected:
    FileCopyTest() { strictResponders = true; }
    void SetUp() override
    {
        DataTest::SetUp();
        files.setStrict(true);
        ResetProgramEndRequest();
    }
    void TearDown() override
    {
        ResetProgramEndRequest();
        DataTest::TearDown();
    }
    FileDialogRecorder files;
};

// Fills the log-in window as an operator would and presses "确  定".
void TypeLogin(QDialog& login, const QString& account, const QString& password);

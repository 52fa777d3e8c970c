#pragma once
#include "support/modal_script.h"
#include "support/testenv.h"

#include "data/globals.h"
#include "shell/mform.h"
#include "shell/startup.h"
#include "platform/window_registry.h"

#include <QDialog>
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

// Fills the log-in window as an operator would and presses "确  定".
void TypeLogin(QDialog& login, const QString& account, const QString& password);

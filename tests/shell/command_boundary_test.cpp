// Every handler of a menu command, a button or another widget signal runs
// inside the error boundary: its failure is shown in the window's words and
// never reaches the application's last net.
#include "data/dberror.h"
#include "dialogs/listframe.h"
#include "platform/command_guard.h"
#include "shell/application.h"
#include "support/qt_print.h"
#include "support/testenv.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <functional>
#include <stdexcept>

namespace {

const QString kWords = QString::fromUtf8(kCommandFailure);

// A list window with one handler of each kind; each throws what `fail` throws.
class Bench : public ListFrame {
public:
    std::function<void()> fail;
    QStringList heard;
    QAction* own;
    QAction* print;
    QPushButton* button;
    QComboBox* list;
    QLineEdit* box;
    QCheckBox* check;

    Bench()
        : ListFrame("Bench")
    {
        print = addPrintCommand();
        own = addCommand("&O.自己", "Menu_own", [this] { fail(); });
        button = new QPushButton("go", this);
        list = new QComboBox(this);
        list->addItems({"a", "b"});
        box = new QLineEdit(this);
        check = new QCheckBox("on", this);
        ConnectGuarded(button, &QPushButton::clicked, this, [this] { fail(); });
        // A handler takes the signal's leading arguments, or none.
        ConnectGuarded(list, &QComboBox::currentIndexChanged, this, [this](int i) {
            heard << QString::number(i);
            fail();
        });
        ConnectGuarded(box, &QLineEdit::textEdited, this, [this] { fail(); }, "读取失败!");
        ConnectGuarded(check, &QCheckBox::toggled, this, [this](bool on) {
            heard << (on ? "on" : "off");
            fail();
        });
    }
    void Menu_print_Click() override { fail(); }
};

void Press(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

void Click(QWidget* w)
{
    const QPointF p(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

class CommandBoundaryTest : public DataTest {
protected:
    CommandBoundaryTest() { strictResponders = true; }
};

} // namespace

TEST_F(CommandBoundaryTest, AFailingHandlerOfEveryKindShowsItsWordsAndNeverReachesTheNet)
{
    struct Kind {
        const char* what;
        std::function<void(Bench&)> fire;
        QString words;
        QString heard;
    };
    const Kind kinds[] = {
        {"a frame command", [](Bench& b) { b.print->trigger(); }, kWords, ""},
        {"a command of the window's own", [](Bench& b) { b.own->trigger(); }, kWords, ""},
        {"a button clicked", [](Bench& b) { Click(b.button); }, kWords, ""},
        {"a list's index changed", [](Bench& b) { Press(b.list, Qt::Key_Down); }, kWords, "1"},
        {"a box typed into, with words of its own", [](Bench& b) { Press(b.box, Qt::Key_A, "a"); }, "读取失败!", ""},
        {"a check box toggled", [](Bench& b) { Press(b.check, Qt::Key_Space, " "); }, kWords, "on"},
    };
    struct Failure {
        std::function<void()> fail;
        const char* text;
    };
    const Failure failures[] = {
        {[] { throw DbError("disk I/O error"); }, "disk I/O error"},
        {[] { throw std::runtime_error("out of range"); }, "out of range"},
    };
    const int caught = Application::netCatches();
    for (const Failure& f : failures) {
        for (const Kind& k : kinds) {
            Bench b;
            b.fail = f.fail;
            b.show();
            // A failure of a kind without words of its own is shown as the net showed it.
            const QString words = f.text == QStringLiteral("out of range") ? kWords : k.words;
            msgs->expect(words + "\r" + f.text);
            k.fire(b);
            EXPECT_EQ(msgs->last().text, words + "\r" + f.text) << k.what;
            EXPECT_EQ(msgs->last().title, "提示") << k.what;
            EXPECT_EQ(b.heard.join(' '), k.heard) << k.what;
            EXPECT_EQ(Application::netCatches(), caught) << k.what << " " << f.text;
        }
    }
}

TEST_F(CommandBoundaryTest, AFailureOfABareEventHandlerStillMeetsTheLastNet)
{
    struct Failing : QWidget {
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::User)
                throw DbError("database is locked");
            return QWidget::event(e);
        }
    } w;
    const int caught = Application::netCatches();
    msgs->expect(kWords + "\rdatabase is locked");
    QEvent user(QEvent::User);
    QApplication::sendEvent(&w, &user);
    EXPECT_EQ(Application::netCatches(), caught + 1);
}

TEST_F(CommandBoundaryTest, NoHandlerIsConnectedPastTheBoundary)
{
    // The bare connections left are the grid's relays of its own signals (each
    // received through ConnectGuarded), the empty command menu that triggers
    // its action, and the main window dropping a closed child's frame.
    const QMap<QString, int> bare = {{"platform/command_guard.h", 1},
                                     {"platform/flexgrid.cpp", 4},
                                     {"platform/mainhost.cpp", 1},
                                     {"shell/mform.cpp", 1}};
    const QRegularExpression call(QStringLiteral("(^|[^A-Za-z_])connect\\("));
    QMap<QString, int> found;
    const QString root = QStringLiteral(SOURCE_DIR) + "/src/";
    QDirIterator it(root, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n'))
            if (!line.trimmed().startsWith("//") && line.contains(call))
                ++found[f.fileName().mid(root.size())];
    }
    EXPECT_EQ(found, bare);
}

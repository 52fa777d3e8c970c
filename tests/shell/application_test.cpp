#include "data/dberror.h"
#include "shell/application.h"
#include "support/testenv.h"

#include <QMouseEvent>
#include <QPushButton>
#include <stdexcept>

namespace {

class ApplicationTest : public DataTest {};

// A widget whose handler of a user event fails the way a statement does.
class FailingWidget : public QWidget {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw DbError("disk I/O error");
        if (e->type() == QEvent::User + 1)
            throw std::runtime_error("out of range");
        return QWidget::event(e);
    }
};

} // namespace

TEST_F(ApplicationTest, AFailureEscapingAnEventHandlerIsShownAndTheProgramGoesOn)
{
    ASSERT_NE(qobject_cast<Application*>(qApp), nullptr);
    FailingWidget w;
    QEvent db(QEvent::User);
    EXPECT_FALSE(QApplication::sendEvent(&w, &db));
    ASSERT_EQ(msgs->count(), 1);
    EXPECT_EQ(msgs->last().text, "操作执行错误!系统返回如下信息：\rdisk I/O error");
    EXPECT_EQ(msgs->last().style, 64);
    EXPECT_EQ(msgs->last().title, "提示");

    QEvent other(QEvent::Type(QEvent::User + 1));
    QApplication::sendEvent(&w, &other);
    EXPECT_EQ(msgs->last().text, "操作执行错误!系统返回如下信息：\rout of range");

    // A button whose command fails: the click is answered with the message.
    // The command runs from the event queue, so the failure leaves through a
    // plain event and never through Qt's handling of the mouse, which cannot
    // be unwound without leaving its state behind.
    QPushButton button("go");
    button.resize(80, 30);
    int clicks = 0;
    QObject::connect(
        &button, &QPushButton::clicked, &button,
        [&] {
            ++clicks;
            throw DbError("database is locked");
        },
        Qt::QueuedConnection);
    const QPointF p(10, 10);
    QMouseEvent press(QEvent::MouseButtonPress, p, button.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, p, button.mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &press);
    QApplication::sendEvent(&button, &release);
    QCoreApplication::sendPostedEvents(&button);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(msgs->last().text, "操作执行错误!系统返回如下信息：\rdatabase is locked");
    EXPECT_EQ(msgs->count(), 3);
}

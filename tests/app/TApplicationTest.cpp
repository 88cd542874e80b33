#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

#include "app/TApplication.h"
#include "platform/AppControl.h"

namespace {

TApplication& App() {
    return *static_cast<TApplication*>(QCoreApplication::instance());
}

struct TApplicationTest : ::testing::Test {
    void SetUp() override {
        AppControl::Reset();
        // A loop that the test fails to end is ended by this guard, and the test then fails.
        QTimer::singleShot(10000, [this] {
            timedOut = true;
            AppControl::RequestEnd();
            QCoreApplication::postEvent(&App(), new QEvent(QEvent::User));
        });
    }
    void TearDown() override { EXPECT_FALSE(timedOut) << "the event loop did not end"; }
    bool timedOut = false;
};

TEST_F(TApplicationTest, EndRequestedBeforeTheLoopSkipsIt) {
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    AppControl::RequestEnd();
    App().Run();
    EXPECT_FALSE(ran);
}

TEST_F(TApplicationTest, EndRequestedInAMessageBoxWaitsForTheAnswer) {
    QStringList events;
    QTimer::singleShot(0, [&] {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Avertissement"),
                        QStringLiteral("texte"), QMessageBox::Ok);
        QTimer::singleShot(20, [&] {
            AppControl::RequestEnd();
            events << QStringLiteral("requested");
        });
        QTimer::singleShot(200, [&] {
            events << (box.isVisible() ? QStringLiteral("box still open")
                                       : QStringLiteral("box closed"));
            box.button(QMessageBox::Ok)->click();
        });
        box.exec();
        events << QStringLiteral("handler runs on");
    });
    App().Run();
    EXPECT_EQ(events, (QStringList{QStringLiteral("requested"), QStringLiteral("box still open"),
                                   QStringLiteral("handler runs on")}));
}

TEST_F(TApplicationTest, EndRequestedWhilePumpingLetsTheWorkFinish) {
    int blocks = 0;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 200; ++i) {
            if (i == 10) {
                QTimer::singleShot(0, [] { AppControl::RequestEnd(); });
            }
            QCoreApplication::processEvents();
            ++blocks;
        }
    });
    App().Run();
    EXPECT_EQ(blocks, 200);
    EXPECT_TRUE(AppControl::EndRequested());
}

TEST_F(TApplicationTest, ExceptionFromAnEventHandlerReachesTheHandler) {
    QString caught;
    AppControl::SetExceptionHandler([&] {
        try {
            throw;
        } catch (const std::exception& e) {
            caught = QString::fromUtf8(e.what());
        }
        AppControl::RequestEnd();
    });
    QTimer::singleShot(0, [] { throw std::runtime_error("bug"); });
    App().Run();
    EXPECT_EQ(caught, QStringLiteral("bug"));
}

}  // namespace

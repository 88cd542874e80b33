#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

#include "BoxAnswerer.h"
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

namespace {

struct BoxCase {
    const char* name;
    bool yesNo;
    const char* answer;
};

class TApplicationBoxTest : public TApplicationTest,
                            public ::testing::WithParamInterface<BoxCase> {};

// Before the main loop (start-up, an unattended run) an end request must leave every later box
// open until it is answered, and a "Non" must stay a "Non".
TEST_P(TApplicationBoxTest, EndRequestedBeforeTheLoopLeavesLaterBoxesToTheirAnswer) {
    const BoxCase& c = GetParam();
    AppControl::RequestEnd();
    BoxAnswerer person({QString::fromUtf8(c.answer), QString::fromUtf8(c.answer)});
    QStringList clicked;
    for (int i = 0; i < 2; ++i) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Avertissement"),
                        QStringLiteral("boîte %1").arg(i), QMessageBox::NoButton);
        if (c.yesNo) {
            box.setDefaultButton(box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole));
            box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
        } else {
            box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
        }
        box.exec();
        clicked << (box.clickedButton() ? box.clickedButton()->text() : QStringLiteral("none"));
    }
    const QString answer = QString::fromUtf8(c.answer);
    EXPECT_EQ(clicked, (QStringList{answer, answer}));
    EXPECT_EQ(person.seen, (QStringList{QStringLiteral("Avertissement|boîte 0|") + answer,
                                        QStringLiteral("Avertissement|boîte 1|") + answer}));
    App().Run();  // the request is honoured at the start of the main loop
}

INSTANTIATE_TEST_SUITE_P(Boxes, TApplicationBoxTest,
                         ::testing::Values(BoxCase{"Ok", false, "OK"}, BoxCase{"Non", true, "&Non"},
                                           BoxCase{"Oui", true, "&Oui"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TApplicationTitle, NoDisplayNameIsAddedToTheWindowTitles) {
    // A display name of its own would stay when the name changes; the window system appends it
    // to every title ("Erreur — Kestrix - Version 1.1").
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Kestrix - Version 1.1"));
    EXPECT_EQ(App().property("HelpFile").toString(), QStringLiteral("./Aide/Kestrix.hlp"));
    QCoreApplication::setApplicationName(QStringLiteral("sonde"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("sonde"));
    QCoreApplication::setApplicationName(QStringLiteral("Kestrix - Version 1.1"));
}

}  // namespace

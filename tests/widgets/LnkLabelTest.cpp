#include "widgets/SystemColours.h"
#include "widgets/TLnkLabel.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QLineEdit>
#include <QTest>
#include <QUrl>
#include <functional>

namespace {

void Enter(QWidget& w) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&w, &enter);
}

void Leave(QWidget& w) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&w, &leave);
}

// Whether some text pixel is close to the colour.
bool ShowsColour(const QImage& image, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = PixelAt(image, x, y);
            if (std::abs(c.red() - colour.red()) < 30 &&
                std::abs(c.green() - colour.green()) < 30 &&
                std::abs(c.blue() - colour.blue()) < 30) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

TEST(LnkLabel, LooksLikeALink) {
    TLnkLabel label(QStringLiteral("www.kestrix.example"));
    EXPECT_EQ(label.enterFontColor(), clRed);
    EXPECT_EQ(label.leaveFontColor(), clBlue);
    EXPECT_EQ(label.visitedColor(), clNavy);
    EXPECT_EQ(label.fontColor(), clBlue);
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(label.autoFillBackground());
    EXPECT_TRUE(label.link().startsWith(QStringLiteral("mailto:")));
}

TEST(LnkLabel, EnterLeaveAndVisitedColours) {
    QWidget host;
    host.resize(300, 60);
    host.setAutoFillBackground(true);
    QPalette p = host.palette();
    p.setColor(QPalette::Window, Qt::white);
    host.setPalette(p);
    TLnkLabel label(QStringLiteral("WWWWWWWW"), &host);
    label.setLink(QStringLiteral("https://www.kestrix.example/"));
    QFont big = label.font();
    big.setPixelSize(24);
    big.setBold(true);
    label.setFont(big);
    label.adjustSize();
    label.move(5, 5);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    LinkRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    // The window may open under the pointer: start from outside the label.
    Leave(label);
    Settle();

    EXPECT_TRUE(ShowsColour(label.grab().toImage(), QColor(0, 0, 255)));
    Enter(label);
    EXPECT_EQ(label.fontColor(), clRed);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(ShowsColour(label.grab().toImage(), QColor(255, 0, 0)));
    Leave(label);
    EXPECT_EQ(label.fontColor(), clBlue);

    Enter(label);
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.first(), QUrl(QStringLiteral("https://www.kestrix.example/")));
    EXPECT_EQ(label.leaveFontColor(), clNavy);
    EXPECT_EQ(label.fontColor(), clRed);  // still under the mouse
    Leave(label);
    EXPECT_EQ(label.fontColor(), clNavy);
    EXPECT_TRUE(ShowsColour(label.grab().toImage(), QColor(0, 0, 0x80)));
    EXPECT_FALSE(ShowsColour(label.grab().toImage(), QColor(0, 0, 255)));
    Enter(label);
    EXPECT_EQ(label.fontColor(), clRed);

    // Right button, or a release outside, opens nothing.
    QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(3, 3));
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(300, 3));
    EXPECT_EQ(recorder.opened.size(), 1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

TEST(LnkLabel, MailLinkGoesToTheMailHandler) {
    TLnkLabel label(QStringLiteral("contact"));
    label.setLink(QStringLiteral("mailto:contact@kestrix.example"));
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    LinkRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.first().scheme(), QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

TEST(LnkLabel, SameColourPaintsNothing) {
    TLnkLabel label(QStringLiteral("site"));
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    Leave(label);  // the window may have opened under the pointer
    Settle();
    PaintCounter paints(&label);
    Leave(label);  // already the leave colour
    label.setFontColor(clBlue);
    Settle();
    EXPECT_EQ(paints.count, 0);
    Enter(label);
    Settle();
    EXPECT_GE(paints.count, 1);
}

namespace {

// The smallest rectangle that holds every pixel where `test` holds.
QRect Bounds(const QImage& image, const std::function<bool(int, int)>& test) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test(x, y)) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

}  // namespace

TEST(LnkLabel, TabFocusShowsADottedFrameAroundTheText) {
    QWidget host;
    host.resize(300, 80);
    QLineEdit before(&host);
    before.setGeometry(5, 5, 100, 20);
    TLnkLabel label(QStringLiteral("www.kestrix.example"), &host);
    label.setGeometry(QRect(QPoint(5, 40), label.sizeHint() + QSize(60, 16)));
    label.setAlignment(Qt::AlignCenter);
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    before.setFocus();
    Settle();
    const QImage plain = label.grab().toImage();
    QTest::keyClick(&before, Qt::Key_Tab);
    ASSERT_TRUE(label.hasFocus());
    Settle();
    const QImage framed = label.grab().toImage();

    const QColor blue(0, 0, 255);
    const QColor background = PixelAt(plain, 0, 0);
    const QRect text =
        Bounds(plain, [&](int x, int y) { return PixelAt(plain, x, y) != background; });
    const QRect frame =
        Bounds(framed, [&](int x, int y) { return framed.pixel(x, y) != plain.pixel(x, y); });
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(frame.isEmpty()) << "no frame drawn";
    // Close around the text, not along the label's far larger box.
    EXPECT_TRUE(frame.contains(text)) << "frame " << frame.x() << "," << frame.y() << " "
                                      << frame.width() << "x" << frame.height();
    EXPECT_TRUE(text.adjusted(-4, -4, 4, 4).contains(frame));
    const struct {
        const char* edge;
        QPoint from;
        QPoint step;
        int count;
    } kEdges[] = {{"top", frame.topLeft(), {1, 0}, frame.width()},
                  {"bottom", frame.bottomLeft(), {1, 0}, frame.width()},
                  {"left", frame.topLeft(), {0, 1}, frame.height()},
                  {"right", frame.topRight(), {0, 1}, frame.height()}};
    for (const auto& e : kEdges) {
        int dots = 0;
        for (int i = 0; i < e.count; ++i) {
            const QPoint at = e.from + e.step * i;
            dots += PixelAt(framed, at.x(), at.y()) == blue ? 1 : 0;
        }
        EXPECT_GE(dots, e.count / 3) << e.edge << ": in the text's colour";
        EXPECT_LT(dots, e.count) << e.edge << ": dotted, not solid";
    }

    before.setFocus();
    Settle();
    EXPECT_EQ(label.grab().toImage(), plain) << "the frame goes with the focus";
}

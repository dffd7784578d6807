// Both windows on a scaled screen (run with QT_SCALE_FACTOR set by CTest): the banner and the icons come
// from images with the screen's pixels, and every caption still fits its place.

#include "support/MainWindowFixture.h"
#include "ui/about/frmAbout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>

namespace {

// The pixels alone, whatever ratio the image was read or made with.
QImage Pixels(const QImage& image)
{
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    pixels.setDevicePixelRatio(1);
    return pixels;
}

// The name of each button or label of `window` whose text, as drawn, is wider or taller than the control.
QStringList ClippedCaptions(QWidget* window)
{
    QStringList clipped;
    for (auto* button : window->findChildren<QAbstractButton*>()) {
        const QFontMetrics metrics(button->font(), button);
        QString caption = button->text();
        caption.remove(QLatin1Char('&'));
        // A few pixels of frame on each side.
        if (metrics.horizontalAdvance(caption) + 8 > button->width() || metrics.height() + 4 > button->height())
            clipped << button->objectName();
    }
    for (auto* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->isHidden())
            continue;
        const QFontMetrics metrics(label->font(), label);
        const int flags = label->alignment().toInt() | (label->wordWrap() ? Qt::TextWordWrap : 0);
        const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 10000), flags, label->text());
        if (needed.width() > label->width() || needed.height() > label->height())
            clipped << label->objectName();
    }
    return clipped;
}

} // namespace

class TestHiDpi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        const qreal factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
        QVERIFY2(factor > 1, "run with QT_SCALE_FACTOR above 1");
        QCOMPARE(qApp->devicePixelRatio(), factor);
    }

    void cleanup() { CloseEveryWindow(); }

    void theBannerHasTheScreensPixels()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        const qreal ratio = about->devicePixelRatio();
        const QPixmap banner = about->findChild<QLabel*>(QStringLiteral("Image2"))->pixmap();
        QCOMPARE(banner.deviceIndependentSize().toSize(), QSize(548, 86));
        QCOMPARE(banner.size(), (QSizeF(548, 86) * ratio).toSize());
        if (ratio == 2)
            QCOMPARE(Pixels(banner.toImage()), Pixels(QImage(QStringLiteral(":/assets/banner@2x.jpg"))));
    }

    void theIconsHaveTheScreensPixels()
    {
        Fixture fixture;
        fixture.start();
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        const qreal ratio = about->devicePixelRatio();
        for (const auto& [window, name] : {std::pair<QWidget*, QString>{fixture.window.get(), QStringLiteral("main")},
                                           std::pair<QWidget*, QString>{about, QStringLiteral("about")}}) {
            for (const int size : {16, 32}) {
                const QPixmap icon = window->windowIcon().pixmap(QSize(size, size), ratio);
                QCOMPARE(icon.size(), (QSizeF(size, size) * ratio).toSize());
                // At 2x each size is a drawing made for that many pixels, not an enlargement.
                if (ratio == 2)
                    QCOMPARE(Pixels(icon.toImage()),
                             Pixels(QImage(QStringLiteral(":/assets/%1-icon-%2.png").arg(name).arg(size * 2))));
            }
        }
    }

    void everyCaptionStaysWhole()
    {
        Fixture fixture;
        fixture.start();
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowExposed(about));
        for (QWidget* window : {static_cast<QWidget*>(fixture.window.get()), static_cast<QWidget*>(about)}) {
            const QStringList clipped = ClippedCaptions(window);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char(' '))));
        }
        // Proportional: the windows keep their size in logical pixels.
        QCOMPARE(fixture.window->size(), QSize(391, 303));
        QCOMPARE(about->size(), QSize(546, 239));
    }
};

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"

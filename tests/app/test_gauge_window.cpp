// The progress window read from its definition in a real offscreen
// application: its frame, its controls, the close command taken away, and
// the gauge as the operator sees it (positions from the server's
// percentages, the text inverting the bar's colours).
#include "app/UGaugeQuery.h"
#include "controls/MinModal.h"
#include "framework/mathutil.h"
#include "toolkit/application.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

class GaugeWindowTest : public ::testing::Test {
protected:
    GaugeWindowTest() : window(new TFGaugeQuery(nullptr)) {}
    ~GaugeWindowTest() override { delete window; }

    // Saves an image where VARNEL_SCREENSHOTS names a folder, for a look.
    static void Keep(const QImage& image, const QString& name)
    {
        const QString folder = qEnvironmentVariable("VARNEL_SCREENSHOTS");
        if (!folder.isEmpty())
            image.save(QDir(folder).filePath(name));
    }

    TApplicationScope scope;
    TFGaugeQuery* window;
};

TEST_F(GaugeWindowTest, TheDefinitionGivesTheFrameAndControlsOfTheProgressWindow)
{
    EXPECT_EQ(window->Caption(), QStringLiteral("Op\u00e9ration sur le serveur de donn\u00e9es en cours"));
    EXPECT_EQ(window->ClientWidth(), 442);
    EXPECT_EQ(window->ClientHeight(), 155);
    EXPECT_EQ(window->BorderStyle(), bsSizeable);
    EXPECT_EQ(window->BorderIcons(), (TBorderIcons{biSystemMenu, biMinimize}));
    EXPECT_EQ(window->FormStyle(), fsStayOnTop);
    EXPECT_EQ(window->Position(), poScreenCenter);
    EXPECT_EQ(window->Font()->Name(), QStringLiteral("System"));
    EXPECT_EQ(window->Font()->Height(), -13);
    const Qt::WindowFlags flags = window->Widget()->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    struct Placed {
        TControl* control;
        QRect bounds;
    };
    const Placed placed[] = {
        {window->LabelOperation, {13, 8, 417, 41}},
        {window->GaugeOperation, {18, 66, 407, 21}},
        {window->LabelEstimation, {13, 101, 417, 36}},
    };
    for (const Placed& p : placed) {
        ASSERT_NE(p.control, nullptr);
        EXPECT_EQ(QRect(p.control->Left(), p.control->Top(), p.control->Width(), p.control->Height()), p.bounds)
            << p.control->Name().toStdString();
    }
    for (TLabel* label : {window->LabelOperation, window->LabelEstimation}) {
        EXPECT_EQ(label->Alignment(), taCenter);
        EXPECT_FALSE(label->AutoSize());
        EXPECT_TRUE(label->WordWrap());
    }
    EXPECT_EQ(window->LabelOperation->Caption(), QStringLiteral("LabelOperation"));
    EXPECT_EQ(window->LabelEstimation->Caption(), QStringLiteral("Label Estimation"));

    TGauge* gauge = window->GaugeOperation;
    EXPECT_EQ(gauge->Kind(), gkHorizontalBar);
    EXPECT_EQ(gauge->BackColor(), clWhite);
    EXPECT_EQ(gauge->ForeColor(), clBlue);
    EXPECT_EQ(gauge->Progress(), 0);
    EXPECT_TRUE(gauge->ShowText());

    ASSERT_NE(window->MinModal1, nullptr);
    EXPECT_EQ(window->MinModal1->Form(), window);
    EXPECT_TRUE(window->MinModal1->Installed());
}

TEST_F(GaugeWindowTest, TheOperatorCannotCloseTheWindow)
{
    EXPECT_FALSE(window->HasSystemMenuCommand(SC_CLOSE));
    EXPECT_TRUE(window->HasSystemMenuCommand(SC_MINIMIZE));
    EXPECT_FALSE(window->Widget()->windowFlags() & Qt::WindowCloseButtonHint);
    window->Show();
    window->Widget()->close();   // the window system's close (Alt+F4)
    QApplication::processEvents();
    EXPECT_TRUE(window->Widget()->isVisible());
}

TEST_F(GaugeWindowTest, TheServersPercentageIsRoundedHalfToEvenAndClampedByTheGauge)
{
    struct Case {
        double percentComplete;
        qint32 position;
        int shown;
    };
    const Case cases[] = {
        {99.5, 100, 100}, {98.5, 98, 98}, {42.5, 42, 42}, {43.5, 44, 44}, {42.49, 42, 42},
        {0.0, 0, 0},      {150.0, 150, 100}, {-3.0, -3, 0}, {1e12, std::numeric_limits<qint32>::max(), 100},
    };
    TGauge* gauge = window->GaugeOperation;
    for (const Case& c : cases) {
        EXPECT_EQ(GaugePositionOf(c.percentComplete), c.position) << c.percentComplete;
        gauge->SetProgress(GaugePositionOf(c.percentComplete));
        EXPECT_EQ(gauge->PercentDone(), c.shown) << c.percentComplete;
    }
    EXPECT_THROW(GaugePositionOf(std::nan("")), ERangeError);
}

TEST_F(GaugeWindowTest, ThePercentageInvertsTheColoursOfTheBarBeneathIt)
{
    TGauge* gauge = window->GaugeOperation;
    gauge->SetProgress(50);
    window->Show();
    QApplication::processEvents();
    const QImage image = gauge->Grab().toImage();
    Keep(image, QStringLiteral("gauge-50.png"));

    // Inside the border: left of the middle the blue bar, right of it the
    // white background; the text "50%" sits across the middle.
    const QColor blue(Qt::blue), white(Qt::white), yellow(Qt::yellow), black(Qt::black);
    const int middle = 1 + (gauge->Width() - 2) / 2;
    int yellowText = 0, blackText = 0, others = 0;
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 1; x < image.width() - 1; ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const bool filled = x < middle;
            if (pixel == (filled ? blue : white))
                continue;
            if (filled && pixel == yellow)
                ++yellowText;
            else if (!filled && pixel == black)
                ++blackText;
            else
                ++others;
        }
    EXPECT_GT(yellowText, 10) << "text over the bar is the bar's colour inverted";
    EXPECT_GT(blackText, 10) << "text over the background is the background inverted";
    EXPECT_EQ(others, 0) << "no pixel is a blend of the two";
    EXPECT_EQ(image.pixelColor(3, 3), blue);
    EXPECT_EQ(image.pixelColor(image.width() - 4, 3), white);
    EXPECT_EQ(image.pixelColor(0, 0), black) << "border";
}

} // namespace

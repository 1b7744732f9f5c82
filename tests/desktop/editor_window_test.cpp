#include <QCheckBox>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <memory>

#include "core/graph/scale.h"
#include "desktop/bindings.h"
#include "desktop/canvas_view.h"
#include "desktop/editor_window.h"
#include "desktop/gate.h"
#include "desktop/program_text.h"
#include "tests/desktop/qt_printers.h"
#include "tests/unit/program_fixture.h"

namespace vx470::desktop {
namespace {

using test::Bytes;
using test::frame;

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
  public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void processEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// The editor window over a program on fakes, loaded with the sample image: Left has three
// automatic rows, Right five; Left notch 4 is at -15 dB.
class EditorWindowTest : public test::ProgramTest {
  protected:
    template <typename W>
    W* find(const QString& name) const {
        W* w = window->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QScrollBar* bar(const char* name, int i) const {
        return find<QScrollBar>(QStringLiteral("%1(%2)").arg(name).arg(i));
    }
    TextBoxEdit* edit(const char* name, int i) const {
        return find<TextBoxEdit>(QStringLiteral("%1(%2)").arg(name).arg(i));
    }
    QCheckBox* check(const char* name, int i) const {
        return find<QCheckBox>(QStringLiteral("%1(%2)").arg(name).arg(i));
    }
    // The notch frame of notch n as the image holds it now.
    Bytes notchFrame(int n) const {
        const auto r = static_cast<int>(NotchOffset[static_cast<std::size_t>(n)]);
        return frame({7, n / 12, n % 12, image(r + 1), image(r + 2), image(r + 3), image(r)});
    }
    void showWindow() {
        window->show();
        processEvents();
    }

    Gate gate{program};
    std::unique_ptr<EditorWindow> window = std::make_unique<EditorWindow>(program, gate);
};

// The same program without a window, to compare what goes out.
class BareProgram final : public test::ProgramTest {
  public:
    void TestBody() override {}
    Program& get() { return program; }
    void load(const PresetImage& image) { loadImage(image); }
    std::vector<Bytes> sent() const { return frames(); }
};

TEST_F(EditorWindowTest, AStepOnAGainBarReachesTheUnitAndRepaintsOnlyItsGraph) {
    showWindow();
    PaintCounter left(window->Graph(0)), right(window->Graph(1));
    const QImage before = window->Graph(0)->Image();

    bar("HScroll20", 4)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(eq().HScroll20[4].Value(), 31);
    EXPECT_EQ(edit("Text1", 4)->text(), "-14");
    EXPECT_EQ(frames(), (std::vector<Bytes>{notchFrame(4)}));
    EXPECT_EQ(image(NotchOffset[4]), 31);

    processEvents();
    EXPECT_GE(left.paints, 1);
    EXPECT_EQ(right.paints, 0);
    const QImage after = window->Graph(0)->Image();
    EXPECT_NE(after, before);
    EXPECT_EQ(window->Graph(0)->grab().toImage().convertToFormat(QImage::Format_RGB32), after);
}

TEST_F(EditorWindowTest, TypedEntriesSnapOnEnterOrLeaveAQuestionMarkAfterAWarning) {
    TextBoxEdit* freq = edit("Text2", 4);
    EXPECT_EQ(freq->accessibleName(), "Left notch 5 frequency");
    freq->selectAll();
    QTest::keyClicks(freq, "1000");
    EXPECT_TRUE(frames().empty());
    QTest::keyClick(freq, Qt::Key_Return);
    EXPECT_EQ(freq->text(), "1003");
    EXPECT_EQ(bar("HScroll6", 4)->value(), 413);
    EXPECT_EQ(frames(), (std::vector<Bytes>{notchFrame(4)}));
    EXPECT_EQ(frames()[0][5] * 256 + frames()[0][6], 413);

    TextBoxEdit* gain = edit("Text1", 4);
    QTest::keyClick(gain, '.');
    QTest::keyClick(gain, Qt::Key_Return);  // no number now: refused the same way
    EXPECT_EQ(gain->text(), "-15??");
    ASSERT_EQ(p.dialogs.shown.size(), 2u);
    EXPECT_EQ(p.dialogs.shown[0].title, "Warning");
    EXPECT_EQ(p.dialogs.shown[0].text, "  Incorrect value");
    EXPECT_EQ(frames().size(), 1u);
}

TEST_F(EditorWindowTest, ProgramChangesShowInTheWidgetsAndSendNothingBack) {
    // A report, as the poll timer takes it: Right filter 3 at 247.9 Hz, Q code 2, -15 dB.
    const QImage before = window->Graph(1)->Image();
    p.port.arrive({0xFE, 0x01, 0x03, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0});
    gate.tick([&] { program.reports.PollDeviceReports(); });
    EXPECT_EQ(bar("HScroll20", 15)->value(), 30);
    EXPECT_EQ(edit("Text2", 15)->text(), "247.9");
    EXPECT_EQ(edit("Text3", 15)->text(), "1/10");
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({48})}));
    EXPECT_NE(window->Graph(1)->Image(), before);

    // Showing what the program does must enter nothing.
    QSignalSpy entries(&gate, &Gate::returned);
    PresetImage next = program.channels.image;
    next[76] = 6;   // six automatic rows on the Left
    next[40] = 20;  // Left filter 3 at -25 dB
    loadImage(next);
    EXPECT_EQ(find<QLabel>("Label3(0)")->text(), "6");
    EXPECT_EQ(edit("Text1", 3)->text(), "-25");
    EXPECT_FALSE(edit("Text1", 5)->isEnabled());
    EXPECT_TRUE(edit("Text1", 6)->isEnabled());

    // A copy sends exactly what it sends without a window.
    program.channelOps.CopyChannelLeftToRight();
    BareProgram bare;
    bare.load(next);
    bare.get().channelOps.CopyChannelLeftToRight();
    EXPECT_EQ(frames(), bare.sent());
    for (int k = 0; k < kNotchesPerChannel; ++k) {
        EXPECT_EQ(edit("Text2", 12 + k)->text(), edit("Text2", k)->text());
    }
    EXPECT_EQ(bar("HScroll1", 1)->value(), 5);
    EXPECT_EQ(entries.count(), 0);
}

TEST_F(EditorWindowTest, TheLinkBoxShowsTheAnswerToItsQuestion) {
    QCheckBox* link = find<QCheckBox>("Check2");
    p.dialogs.answers = {Answer::No, Answer::Yes};
    link->click();
    EXPECT_FALSE(link->isChecked());
    EXPECT_TRUE(frames().empty());
    link->click();
    EXPECT_TRUE(link->isChecked());
    EXPECT_EQ(edit("Text1", 16)->text(), "-15");  // Left filter 4 copied to the Right

    p.port.writes.clear();
    bar("HScroll20", 4)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar("HScroll20", 16)->value(), 29);
    EXPECT_EQ(frames(), (std::vector<Bytes>{notchFrame(4), notchFrame(16)}));
}

TEST_F(EditorWindowTest, ASearchLocksTheEditorAndUnlocksItAfter) {
    QCheckBox* left = check("Check1", 1);
    left->click();
    const auto section = [&](int target, int run) {
        return frame({10, target, image(76), image(77), image(78), image(79), run});
    };
    EXPECT_EQ(frames(), (std::vector<Bytes>{section(1, 1)}));
    const std::initializer_list<QWidget*> locked = {
        check("Check1", 0),        check("Check1", 2),         edit("Text1", 4),
        bar("HScroll20", 4),       bar("HScroll1", 0),         edit("Text4", 1),
        find<QCheckBox>("Check2"), find<QSlider>("Slider1(1)")};
    for (QWidget* w : locked) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (QPushButton* b : window->findChildren<QPushButton*>()) EXPECT_FALSE(b->isEnabled());

    QTest::keyClicks(edit("Text1", 4), "7\r");
    bar("HScroll20", 4)->setValue(40);
    EXPECT_EQ(edit("Text1", 4)->text(), "-15");
    EXPECT_EQ(bar("HScroll20", 4)->value(), 30);
    EXPECT_EQ(frames().size(), 1u);

    // The busy pointer shows while the stop frames go out.
    std::vector<Qt::CursorShape> pointers;
    const auto answer = p.port.onWrite;
    p.port.onWrite = [&](test::FakeSerialPort& port, const Bytes& w) {
        pointers.push_back(window->cursor().shape());
        answer(port, w);
    };
    left->click();
    EXPECT_EQ(pointers, std::vector<Qt::CursorShape>(4, Qt::BusyCursor));
    EXPECT_EQ(frames(), (std::vector<Bytes>{section(1, 1), section(0, 0), section(0, 0),
                                            section(0, 0), section(0, 0)}));
    for (QWidget* w : locked) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(edit("Text1", 0)->isEnabled());  // still an automatic row
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(EditorWindowTest, TheWindowStaysOpenUntilTheProgramEnds) {
    showWindow();
    EXPECT_EQ(window->windowTitle(), "Parameters Control");
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    gate.enter([] { throw ProgramEnd(1); });
    EXPECT_FALSE(window->isVisible());
    // The window may go before the program; later program changes reach no widget.
    window.reset();
    program.link.SuppressSend = true;
    program.channelOps.ApplyImageToEditor();
    eq().SetMousePointer(MousePointer::ArrowHourglass);
}

TEST_F(EditorWindowTest, FitsAMaximisedScreenWithRowsInLineAndScalesAtTheirMarks) {
    PresetImage widest = program.channels.image;  // 20000 Hz at -45 dB, sensitivity 16
    for (std::size_t r : {NotchOffset[5], NotchOffset[21]}) {
        widest[r] = 0;
        widest[r + 1] = 729 / 256;
        widest[r + 2] = 729 % 256;
    }
    widest[79] = 15;
    loadImage(widest);
    // 1280 x 800 less the desktop's panels and the main window's toolbar.
    const QSize hint = window->sizeHint();
    EXPECT_LE(hint.width(), 1280);
    EXPECT_LE(hint.height(), 695);
    window->resize(hint);
    showWindow();

    for (int n = 0; n < kNotches; ++n) {
        const int y = edit("Text2", n)->mapTo(window.get(), QPoint(0, 0)).y();
        for (QWidget* w : std::initializer_list<QWidget*>{bar("HScroll6", n), edit("Text1", n),
                                                          bar("HScroll30", n)}) {
            EXPECT_EQ(w->mapTo(window.get(), QPoint(0, 0)).y(), y) << n;
        }
    }
    for (const QWidget* w : window->findChildren<QWidget*>()) {  // no text cut short
        if (qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w)) {
            EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        }
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        const QWidget* frame = find<QWidget>(QStringLiteral("Frame10(%1)").arg(ch));
        const QRect canvas = window->Graph(ch)->geometry();
        QMap<QString, QRect> labels;
        for (const QLabel* l : frame->findChildren<QLabel*>()) {
            labels[l->text()] = l->geometry();
            EXPECT_TRUE(frame->rect().contains(l->geometry())) << l->text().toStdString();
        }
        for (const ScaleMark& mark : kDbScaleMarks) {
            const QRectF g = labels.value(FromProgramText(mark.text));
            EXPECT_NEAR(g.center().y() - canvas.top(), DbRow(mark.value), 1.0) << mark.text;
            EXPECT_GT(g.left(), canvas.right());
        }
        for (const ScaleMark& mark : kFrequencyScaleMarks) {
            const QRectF g = labels.value(FromProgramText(mark.text));
            EXPECT_GT(g.top(), canvas.bottom());
            // Centred under the mark, the first one kept inside the canvas.
            const double x = std::max(FrequencyColumn(mark.value), g.width() / 2);
            EXPECT_NEAR(g.center().x() - canvas.left(), x, 1.0) << mark.text;
        }
    }
    if (const QString path = qEnvironmentVariable("VX470_EDITOR_SCREENSHOT"); !path.isEmpty()) {
        window->grab().save(path);
    }
}

}  // namespace
}  // namespace vx470::desktop

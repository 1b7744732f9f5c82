#include "desktop/editor_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

#include "core/graph/scale.h"
#include "desktop/bindings.h"
#include "desktop/canvas_view.h"
#include "desktop/gate.h"
#include "desktop/program_text.h"

namespace vx470::desktop {
namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// The form's picture in the top strip: a flat response with one notch cut into it.
class NotchPicture final : public QWidget {
  public:
    explicit NotchPicture(QWidget* parent) : QWidget(parent) {
        setFixedSize(44, 22);
        setObjectName("Image1");
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QColor(150, 150, 150));
        p.setBrush(Qt::white);
        p.drawRoundedRect(r, 3, 3);
        const double top = r.top() + 6, bottom = r.bottom() - 3, mid = r.center().x();
        QPainterPath curve({r.left() + 3, top});
        curve.lineTo(mid - 9, top);
        curve.cubicTo(mid - 3, top, mid - 2, bottom, mid, bottom);
        curve.cubicTo(mid + 2, bottom, mid + 3, top, mid + 9, top);
        curve.lineTo(r.right() - 3, top);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(200, 0, 0), 1.6));
        p.drawPath(curve);
    }
};

// Rows of the automatic panel, top to bottom: the caption's Label2 index per channel, the
// bar and the label that shows its value, and how a screen reader names the bar.
struct AutomaticRow {
    std::array<int, kChannels> caption;
    std::array<ScrollBar, kChannels> FrmEq::*bar;
    std::array<Label, kChannels> FrmEq::*value;
    const char* name;
};
constexpr std::array<AutomaticRow, 5> kAutomaticRows = {{
    {{2, 7}, &FrmEq::HScroll1, &FrmEq::Label3, "number of automatic notches"},
    {{3, 6}, &FrmEq::HScroll2, &FrmEq::Label5, "Q of automatic notches"},
    {{4, 5}, &FrmEq::HScroll3, &FrmEq::Label6, "attenuation"},
    {{8, 10}, &FrmEq::HScroll4, &FrmEq::Label1, "release"},
    {{9, 11}, &FrmEq::HScroll5, &FrmEq::Label9, "search mode"},
}};
constexpr std::array<int, kChannels> kSensitivityCaption = {0, 1};

QString text(std::string_view s) {
    return FromProgramText(s);
}

// How a screen reader names each channel's controls: as the Edit menu names their edits.
QString channelName(int ch) {
    return text(ChannelName(ch));
}

// A bar's own value is only a code (a grid index, a gain code); its description carries what
// the program shows for it, so a screen reader hears "-15" or "1/10" with the bar.
void describeBy(QAbstractSlider* bar, Control& shown, std::function<QString()> describe) {
    QPointer<QAbstractSlider> w(bar);
    shown.View = [w, view = std::move(shown.View), describe](ViewUpdate how) {
        if (view) view(how);
        if (w) w->setAccessibleDescription(describe());
    };
    bar->setAccessibleDescription(describe());
}

void describeBy(QAbstractSlider* bar, TextBox& box) {
    describeBy(bar, box, [&box] { return text(box.Text()); });
}

void describeBy(QAbstractSlider* bar, Label& label) {
    describeBy(bar, label, [&label] { return text(label.Caption()); });
}

// Height of the compact rows: the text and a thin frame.
int rowHeight(const QWidget* w) {
    return w->fontMetrics().height() + 5;
}

int textWidth(const QWidget* w, const char* sample) {
    return w->fontMetrics().horizontalAdvance(QString::fromLatin1(sample)) + 14;
}

TextBoxEdit* textBox(Gate& gate, TextBox& box, const QString& name, const char* widest,
                     QWidget* parent) {
    auto* edit = new TextBoxEdit(parent);
    edit->setFixedSize(textWidth(edit, widest), rowHeight(edit));
    edit->setTextMargins(1, 0, 1, 0);
    BindTextBox(gate, edit, box, name);
    return edit;
}

// A narrow bar that is little more than its two arrows. Unlike a plain QScrollBar it takes
// the keyboard focus, and its keys go as on a slider: Right and Up step up, Left and Down
// step down (a scroll bar's inverted controls would turn the horizontal arrows round).
QScrollBar* stepBar(Gate& gate, ScrollBar& bar, const QString& name, int width, QWidget* parent) {
    auto* widget = new QScrollBar(Qt::Horizontal, parent);
    widget->setFixedSize(width, rowHeight(widget));
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->setInvertedControls(false);
    BindScrollBar(gate, widget, bar, name);
    return widget;
}

}  // namespace

EditorWindow::EditorWindow(Program& program, Gate& gate, QWidget* parent)
    : QWidget(parent), program_(program), gate_(gate) {
    BindForm(this, program.frmEq);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addWidget(buildTopStrip());
    for (int ch = 0; ch < kChannels; ++ch) layout->addWidget(buildChannel(ch));
    layout->addStretch(1);
    // Tab walks the editor as it reads: the top strip, then each channel's rows from the top,
    // each row left to right, then its automatic panel and its resets.
    for (qsizetype i = 1; i < readingOrder_.size(); ++i) {
        setTabOrder(readingOrder_[i - 1], readingOrder_[i]);
    }
    connect(&gate, &Gate::returned, this, [this] { FollowCanvases(false); });
    connect(&gate, &Gate::waiting, this, [this] { FollowCanvases(true); });
}

bool EditorWindow::focusNextPrevChild(bool next) {
    const qsizetype from = readingOrder_.indexOf(QApplication::focusWidget());
    if (LeaveByTab && from >= 0) {
        const auto takesTab = [this](const QWidget* w) {
            return (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this);
        };
        const qsizetype step = next ? 1 : -1;
        qsizetype to = from + step;
        while (to >= 0 && to < readingOrder_.size() && !takesTab(readingOrder_[to])) to += step;
        const bool atTheEdge = to < 0 || to >= readingOrder_.size();
        if (atTheEdge && LeaveByTab(next)) return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void EditorWindow::FollowCanvases(bool now) {
    for (CanvasView* g : graphs_) g->FollowCanvas(now);
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (FormAllowsClose(gate_, program_.frmEq, this)) {
        event->accept();
    } else {
        event->ignore();
    }
}

QWidget* EditorWindow::buildTopStrip() {
    FrmEq& eq = program_.frmEq;
    auto* strip = new QFrame(this);
    strip->setFrameShape(QFrame::StyledPanel);
    BindFrame(strip, eq.Frame1, QStringLiteral("Preset, link and search"));
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(12);

    auto* status = new QLabel(strip);
    BindLabel(status, eq.Label7);
    auto* name = new QLabel(strip);
    name->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    name->setMinimumWidth(textWidth(name, "WWWWWWWW"));
    BindLabel(name, eq.Label8);
    row->addWidget(status, 1);
    row->addWidget(name);
    row->addWidget(new NotchPicture(strip));
    row->addSpacing(12);

    auto* link = new QCheckBox(strip);
    BindCheckBox(gate_, link, eq.Check2);
    row->addWidget(link);
    readingOrder_.append(link);
    for (CheckBox& search : eq.Check1) {
        auto* box = new QCheckBox(strip);
        BindCheckBox(gate_, box, search);
        row->addWidget(box);
        readingOrder_.append(box);
    }
    return strip;
}

QWidget* EditorWindow::buildChannel(int ch) {
    FrmEq& eq = program_.frmEq;
    auto* panel = new QGroupBox(this);
    BindFrame(panel, eq.Frame5[at(ch)]);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 2, 6, 4);
    row->setSpacing(10);
    row->addWidget(buildGraph(ch), 0, Qt::AlignTop);
    row->addWidget(buildRows(ch), 0, Qt::AlignTop);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(buildAutomaticPanel(ch));
    right->addWidget(buildResets(ch));
    right->addStretch(1);
    row->addLayout(right);
    row->addStretch(1);
    return panel;
}

QWidget* EditorWindow::buildGraph(int ch) {
    FrmEq& eq = program_.frmEq;
    auto* frame = new QWidget(this);
    BindFrame(frame, eq.Frame10[at(ch)], text(eq.Frame5[at(ch)].Caption));
    if (frame->objectName().isEmpty()) frame->setObjectName(QStringLiteral("Frame10(%1)").arg(ch));

    // The +10 dB label is centred on row 0, so half a line of room above the canvas.
    const int lineHeight = frame->fontMetrics().height();
    const int top = (lineHeight + 1) / 2;
    auto* canvas = new CanvasView(program_.graph, ch, frame);
    canvas->setObjectName(QStringLiteral("Picture1(%1)").arg(ch));
    canvas->setAccessibleName(channelName(ch) + QStringLiteral(" response curve"));
    canvas->move(0, top);
    graphs_[at(ch)] = canvas;
    canvas->EnableDragging(gate_, program_.notchDrag);
    canvas->Hovered = [this](const QString& readout) {
        if (GraphHovered) GraphHovered(readout);
    };

    int scaleWidth = 0;
    for (const ScaleMark& mark : kDbScaleMarks) {
        auto* label = new QLabel(text(mark.text), frame);
        label->adjustSize();
        const auto row = static_cast<int>(std::lround(DbRow(mark.value)));
        label->move(Canvas::Width + 4, top + row - label->height() / 2);
        scaleWidth = std::max(scaleWidth, label->width());
    }
    for (const ScaleMark& mark : kFrequencyScaleMarks) {
        auto* label = new QLabel(text(mark.text), frame);
        label->adjustSize();
        const auto column = static_cast<int>(std::lround(FrequencyColumn(mark.value)));
        const int left = std::clamp(column - label->width() / 2, 0, Canvas::Width - label->width());
        label->move(left, top + Canvas::Height + 1);
    }
    frame->setFixedSize(Canvas::Width + 4 + scaleWidth, top + Canvas::Height + 1 + lineHeight);
    return frame;
}

QWidget* EditorWindow::buildRows(int ch) {
    FrmEq& eq = program_.frmEq;
    auto* frame = new QWidget(this);
    BindFrame(frame, eq.Frame3[at(ch)], channelName(ch) + QStringLiteral(" notches"));
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(1);

    // Just the two arrows: a thumb would have no room to travel anyway.
    const int arrows = 2 * frame->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int k = 0; k < kNotchesPerChannel; ++k) {
        const std::size_t n = at(ch * kNotchesPerChannel + k);
        // "Left notch 3 gain": notches counted from 1, as the user counts the rows.
        const auto name = [&](const char* what) {
            return text(NotchName(ch * kNotchesPerChannel + k, what));
        };
        const auto column = [&](TextBox& box, ScrollBar& bar, const char* what, const char* widest,
                                int col) {
            TextBoxEdit* edit = textBox(gate_, box, name(what), widest, frame);
            QScrollBar* step =
                stepBar(gate_, bar, name(what) + QStringLiteral(" bar"), arrows, frame);
            describeBy(step, box);
            grid->addWidget(edit, k, col);
            grid->addWidget(step, k, col + 1);
            readingOrder_.append({edit, step});
            return edit;
        };
        column(eq.Text2[n], eq.HScroll6[n], "frequency", "20000", 0);
        column(eq.Text1[n], eq.HScroll20[n], "gain", "-45", 2);
        // The Q text only shows the bar's value (the bar's description says it too): a click
        // may select it, Tab passes it by.
        column(eq.Text3[n], eq.HScroll30[n], "Q", "1/70", 4)->setFocusPolicy(Qt::ClickFocus);
    }
    for (int column = 0; column < 3; ++column) {
        auto* label = new QLabel(frame);
        label->setAlignment(Qt::AlignCenter);
        BindLabel(label, eq.Label170[at(3 * ch + column)]);
        label->setObjectName(QStringLiteral("Label170(%1)").arg(3 * ch + column));
        grid->addWidget(label, kNotchesPerChannel, 2 * column, 1, 2);
    }
    return frame;
}

QWidget* EditorWindow::buildAutomaticPanel(int ch) {
    FrmEq& eq = program_.frmEq;
    const std::size_t c = at(ch);
    auto* frame = new QGroupBox(this);
    BindFrame(frame, eq.Frame4[c], channelName(ch) + QStringLiteral(" automatic notches"));
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);

    const int valueWidth = textWidth(frame, "Variable");
    const auto caption = [&](int row, int index) {
        auto* label = new QLabel(frame);
        BindLabel(label, eq.Label2[at(index)]);
        label->setObjectName(QStringLiteral("Label2(%1)").arg(index));
        grid->addWidget(label, row, 0);
    };
    const auto name = [&](const char* what) { return text(ChannelSettingName(ch, what)); };
    int row = 0;
    for (const AutomaticRow& r : kAutomaticRows) {
        caption(row, r.caption[c]);
        QScrollBar* bar = stepBar(gate_, (eq.*r.bar)[c], name(r.name), 64, frame);
        grid->addWidget(bar, row, 1);
        readingOrder_.append(bar);
        // The value text reads as itself; the bar is described by it.
        auto* value = new QLabel(frame);
        value->setMinimumWidth(valueWidth);
        BindLabel(value, (eq.*r.value)[c]);
        describeBy(bar, (eq.*r.value)[c]);
        grid->addWidget(value, row, 2);
        ++row;
    }
    caption(row, kSensitivityCaption[c]);
    auto* slider = new QSlider(Qt::Horizontal, frame);
    slider->setFixedSize(64, rowHeight(slider));
    slider->setFocusPolicy(Qt::StrongFocus);
    BindScrollBar(gate_, slider, eq.Slider1[c], name("sensitivity slider"));
    grid->addWidget(slider, row, 1);
    TextBoxEdit* typed = textBox(gate_, eq.Text4[c], name("sensitivity"), "16", frame);
    describeBy(slider, eq.Text4[c]);
    grid->addWidget(typed, row, 2, Qt::AlignLeft);
    readingOrder_.append({slider, typed});
    return frame;
}

QWidget* EditorWindow::buildResets(int ch) {
    FrmEq& eq = program_.frmEq;
    auto* frame = new QWidget(this);
    BindFrame(frame, eq.Frame2[at(ch)], channelName(ch) + QStringLiteral(" resets"));
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    for (int kind = 0; kind < 2; ++kind) {
        Button& reset = eq.Command1[at(ch + 2 * kind)];
        auto* button = new QPushButton(frame);
        BindButton(gate_, button, reset,
                   channelName(ch) + QLatin1Char(' ') + PlainCaption(text(reset.Caption)));
        column->addWidget(button);
        readingOrder_.append(button);
    }
    return frame;
}

}  // namespace vx470::desktop

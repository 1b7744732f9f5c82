#include "desktop/editor_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

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
// bar and the label that shows its value.
struct AutomaticRow {
    std::array<int, kChannels> caption;
    std::array<ScrollBar, kChannels> FrmEq::*bar;
    std::array<Label, kChannels> FrmEq::*value;
};
constexpr std::array<AutomaticRow, 5> kAutomaticRows = {{
    {{2, 7}, &FrmEq::HScroll1, &FrmEq::Label3},
    {{3, 6}, &FrmEq::HScroll2, &FrmEq::Label5},
    {{4, 5}, &FrmEq::HScroll3, &FrmEq::Label6},
    {{8, 10}, &FrmEq::HScroll4, &FrmEq::Label1},
    {{9, 11}, &FrmEq::HScroll5, &FrmEq::Label9},
}};
constexpr std::array<int, kChannels> kSensitivityCaption = {0, 1};

QString text(std::string_view s) {
    return FromProgramText(s);
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

// A narrow bar that is little more than its two arrows.
QScrollBar* stepBar(Gate& gate, ScrollBar& bar, const QString& name, int width, QWidget* parent) {
    auto* widget = new QScrollBar(Qt::Horizontal, parent);
    widget->setFixedSize(width, rowHeight(widget));
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
    connect(&gate, &Gate::returned, this, &EditorWindow::FollowCanvases);
}

void EditorWindow::FollowCanvases() {
    for (CanvasView* g : graphs_) g->FollowCanvas();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (FormAllowsClose(gate_, program_.frmEq)) {
        event->accept();
    } else {
        event->ignore();
    }
}

QWidget* EditorWindow::buildTopStrip() {
    FrmEq& eq = program_.frmEq;
    auto* strip = new QFrame(this);
    strip->setFrameShape(QFrame::StyledPanel);
    BindFrame(strip, eq.Frame1);
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
    for (CheckBox& search : eq.Check1) {
        auto* box = new QCheckBox(strip);
        BindCheckBox(gate_, box, search);
        row->addWidget(box);
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
    auto* canvas = new CanvasView(program_.graph.Picture1[at(ch)], frame);
    canvas->setObjectName(QStringLiteral("Picture1(%1)").arg(ch));
    canvas->setAccessibleName(text(eq.Frame5[at(ch)].Caption));
    canvas->move(0, top);
    graphs_[at(ch)] = canvas;

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
    BindFrame(frame, eq.Frame3[at(ch)]);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(1);

    const QString panel = text(eq.Frame5[at(ch)].Caption);
    const auto heading = [&](int column) {
        return text(eq.Label170[at(3 * ch + column)].Caption());
    };
    // Just the two arrows: a thumb would have no room to travel anyway.
    const int arrows = 2 * frame->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int k = 0; k < kNotchesPerChannel; ++k) {
        const std::size_t n = at(ch * kNotchesPerChannel + k);
        const auto name = [&](int column) {
            return QStringLiteral("%1 %2 %3").arg(panel, heading(column)).arg(k + 1);
        };
        grid->addWidget(textBox(gate_, eq.Text2[n], name(0), "20000", frame), k, 0);
        grid->addWidget(stepBar(gate_, eq.HScroll6[n], name(0), arrows, frame), k, 1);
        grid->addWidget(textBox(gate_, eq.Text1[n], name(1), "-45", frame), k, 2);
        grid->addWidget(stepBar(gate_, eq.HScroll20[n], name(1), arrows, frame), k, 3);
        grid->addWidget(textBox(gate_, eq.Text3[n], name(2), "1/70", frame), k, 4);
        grid->addWidget(stepBar(gate_, eq.HScroll30[n], name(2), arrows, frame), k, 5);
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
    BindFrame(frame, eq.Frame4[c]);
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
        return label->text();
    };
    int row = 0;
    for (const AutomaticRow& r : kAutomaticRows) {
        const QString name = caption(row, r.caption[c]);
        grid->addWidget(stepBar(gate_, (eq.*r.bar)[c], name, 64, frame), row, 1);
        auto* value = new QLabel(frame);
        value->setMinimumWidth(valueWidth);
        BindLabel(value, (eq.*r.value)[c], name);
        grid->addWidget(value, row, 2);
        ++row;
    }
    const QString name = caption(row, kSensitivityCaption[c]).trimmed();
    auto* slider = new QSlider(Qt::Horizontal, frame);
    slider->setFixedSize(64, rowHeight(slider));
    BindScrollBar(gate_, slider, eq.Slider1[c], name);
    grid->addWidget(slider, row, 1);
    grid->addWidget(textBox(gate_, eq.Text4[c], name, "16", frame), row, 2, Qt::AlignLeft);
    return frame;
}

QWidget* EditorWindow::buildResets(int ch) {
    FrmEq& eq = program_.frmEq;
    auto* frame = new QWidget(this);
    BindFrame(frame, eq.Frame2[at(ch)]);
    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    for (int kind = 0; kind < 2; ++kind) {
        auto* button = new QPushButton(frame);
        BindButton(gate_, button, eq.Command1[at(ch + 2 * kind)]);
        column->addWidget(button);
    }
    return frame;
}

}  // namespace vx470::desktop

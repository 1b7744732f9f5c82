// The graph at 200 % scaling: one pointer move's readout and one drag step's recompute and
// repaint, into an image of twice the view's size as a 200 % screen's backing store is.
//   QT_QPA_PLATFORM=offscreen build/default/bench/hidpi_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include "bench/busy_model.h"
#include "core/graph/readout.h"
#include "desktop/canvas_view.h"

namespace vx470 {
namespace {

struct Scene {
    Scene() {
        for (int n = 0; n < kNotches; ++n) graph.DrawNotchResponse(n);
        view.Hovered = [this](const QString& text) { status.setText(text); };
        image.setDevicePixelRatio(2);
        view.render(&image);
    }
    ChannelModel model = busyModel();
    ResponseGraph graph{model};
    desktop::CanvasView view{graph, 0};
    QLabel status;
    QImage image{QSize(Canvas::Width, Canvas::Height) * 2, QImage::Format_RGB32};
};

// A pointer move over the graph: the readout into the status line's label.
void BM_HoverReadout(benchmark::State& state) {
    Scene s;
    double x = 0;
    for (auto _ : state) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 60), QPointF(x, 60), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&s.view, &move);
        x = x >= 575 ? 0 : x + 1.5;
    }
    benchmark::DoNotOptimize(s.status.text().size());
}
BENCHMARK(BM_HoverReadout)->Unit(benchmark::kMicrosecond);

// One drag step: a notch's gain changes in the model, its channel is recomputed and the view
// repainted at device resolution.
void BM_DragStep(benchmark::State& state) {
    Scene s;
    int step = 0;
    for (auto _ : state) {
        s.model.NotchGainDb[5] = -static_cast<double>(step++ % 46);
        s.graph.DrawNotchResponse(5);
        s.view.render(&s.image);
        benchmark::DoNotOptimize(s.image.constBits());
    }
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vx470

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// zoom: one repaint of an 800 x 600 view of the picture at 12.5 %, 100 % and 400 %, as the
// picture box paints it: the visible part scaled from the box's copy, then drawn onto a 32-bit
// image like the window's backing store. Each has to fit in one frame at 60 Hz (16 ms).

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstring>

#include "BenchImages.h"
#include "platform/cPictureBox.h"

namespace brennic::bench {
namespace {

constexpr int kViewWidth = 800;
constexpr int kViewHeight = 600;

// The picture box's copy of the shared picture.
const QImage& BoxCopy() {
  static const QImage copy = [] {
    QImage image(kWidth, kHeight, QImage::Format_BGR888);
    hDC hSrc = const_cast<cDIBSection&>(NaturalPicture()).hdc();
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(image.scanLine(y), hSrc->DisplayRow(y), static_cast<size_t>(3 * kWidth));
    return image;
  }();
  return copy;
}

void BM_zoom_view(benchmark::State& state) {
  const sZoom zoom{state.range(0), state.range(1)};
  const QImage& picture = BoxCopy();
  QImage screen(kViewWidth, kViewHeight, QImage::Format_RGB32);
  QImage scratch;
  // The view in the middle of the zoomed picture (all of it at 12.5 %).
  const QRect part(static_cast<int>((ZoomedLength(kWidth, zoom) - kViewWidth) / 2),
                   static_cast<int>((ZoomedLength(kHeight, zoom) - kViewHeight) / 2), kViewWidth,
                   kViewHeight);
  for (auto _ : state) {
    QPainter painter(&screen);
    painter.translate(-part.topLeft());
    PaintZoomed(painter, part, picture, zoom, scratch);
    painter.end();
    benchmark::DoNotOptimize(screen.constBits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_zoom_view)
    ->Name("zoom_view")
    ->ArgNames({"num", "den"})
    ->Args({1, 8})
    ->Args({1, 1})
    ->Args({4, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace brennic::bench

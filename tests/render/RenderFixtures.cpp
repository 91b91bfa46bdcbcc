#include "render/RenderFixtures.h"

#include <algorithm>

#include "host/FeatureClass.h"
#include "render/Export.h"
#include "render/Png.h"

namespace rendertest {

Image::Image(render::SurfacePtr surface) : surface_(std::move(surface)) {
    width_ = cairo_image_surface_get_width(surface_.get());
    height_ = cairo_image_surface_get_height(surface_.get());
}

Rgb Image::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {255, 255, 255};
    const unsigned char* data = cairo_image_surface_get_data(surface_.get());
    const int stride = cairo_image_surface_get_stride(surface_.get());
    const auto pixel = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
    const int a = static_cast<int>(pixel >> 24);
    // Premultiplied ARGB over white.
    const auto channel = [&](int shift) { return static_cast<int>((pixel >> shift) & 0xFF) + (255 - a); };
    return {channel(16), channel(8), channel(0)};
}

bool Image::near(int x, int y, Rgb c, int tolerance) const {
    const Rgb p = at(x, y);
    return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance && std::abs(p.b - c.b) <= tolerance;
}

render::DeviceBox Image::ink(int x0, int y0, int x1, int y1, int tolerance) const {
    if (x1 < 0) x1 = width_;
    if (y1 < 0) y1 = height_;
    render::DeviceBox box;
    for (int y = std::max(0, y0); y < std::min(y1, height_); ++y) {
        for (int x = std::max(0, x0); x < std::min(x1, width_); ++x) {
            if (!isWhite(x, y, tolerance)) {
                box.include(x, y);
                box.include(x + 1, y + 1);
            }
        }
    }
    return box;
}

render::DeviceBox Image::inkOf(Rgb colour, int tolerance) const {
    render::DeviceBox box;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (near(x, y, colour, tolerance)) {
                box.include(x, y);
                box.include(x + 1, y + 1);
            }
        }
    }
    return box;
}

ImageDifference differenceOf(cairo_surface_t* a, cairo_surface_t* b, int threshold) {
    const int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
    cairo_surface_flush(a);
    cairo_surface_flush(b);
    const auto pixel = [](cairo_surface_t* s, int x, int y) {
        return *reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s) +
                                                       x * 4);
    };
    ImageDifference d;
    double total = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixel(a, x, y), q = pixel(b, x, y);
            int worst = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const int c = std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
                worst = std::max(worst, c);
                total += c;
            }
            if (worst > threshold) ++d.far;
        }
    }
    d.mean = w * h > 0 ? total / (3.0 * w * h) : 0.0;
    return d;
}

void Image::keep(const std::string& name) const {
    if (const char* folder = std::getenv("PLOTLET_TEST_PICTURES"))
        render::writePng(surface_.get(), std::string(folder) + "/" + name + ".png");
}

Rgb rgbOf(std::uint32_t bgr) {
    return {static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF)};
}

host::DisplayTransformation frameOf(int w, int h, const host::Envelope& visible, double dpi, double referenceScale) {
    host::DisplayTransformation t;
    t.setDeviceFrame({0, 0, w, h});
    t.setResolution(dpi);
    t.setVisibleBounds(visible);
    t.setBounds(visible);
    t.setReferenceScale(referenceScale);
    return t;
}

host::FillSymbolPtr solidFill(std::uint32_t fill, std::uint32_t outline, double outlineWidth) {
    auto symbol = std::make_shared<host::SimpleFillSymbol>();
    symbol->setColor(host::RgbColor(fill));
    auto line = std::make_shared<host::SimpleLineSymbol>();
    line->setColor(host::RgbColor(outline));
    line->setWidth(outlineWidth);
    symbol->setOutline(line);
    return symbol;
}

host::BarChartSymbolPtr barChart(const std::vector<double>& values, const std::vector<std::uint32_t>& fills, double maxValue,
                                 double barWidth, double size) {
    auto chart = std::make_shared<host::BarChartSymbol>();
    chart->setWidth(barWidth);
    chart->setSpacing(0);
    chart->setSize(size);
    chart->setMaxValue(maxValue);
    for (std::size_t k = 0; k < values.size(); ++k) chart->setValue(k, values[k]);
    for (const auto fill : fills) chart->addSymbol(solidFill(fill, 0x000000));
    return chart;
}

std::shared_ptr<host::MarkerElement> markerAt(host::XY p, host::MarkerSymbolPtr symbol) {
    auto element = std::make_shared<host::MarkerElement>();
    element->setGeometry(std::make_shared<host::Point>(p));
    element->setSymbol(std::move(symbol));
    return element;
}

host::FeatureLayerPtr randomPointLayer(const std::string& name, std::size_t count, std::mt19937& random, double from, double to,
                                       double size, std::uint32_t bgr) {
    std::uniform_real_distribution<double> at(from, to);
    auto fc = host::makeFeatureClass(name, host::GeometryType::Point, std::vector<host::Field>{{"v", host::FieldType::Double}});
    for (std::size_t i = 0; i < count; ++i) {
        const double x = at(random), y = at(random);
        fc->addFeature(std::make_shared<host::Point>(x, y), {runtime::Variant(1.0)});
    }
    return markerLayerOf(fc, name, size, bgr);
}

host::FeatureLayerPtr markerLayerOf(host::FeatureClassPtr fc, const std::string& name, double size, std::uint32_t bgr) {
    auto marker = std::make_shared<host::SimpleMarkerSymbol>();
    marker->setSize(size);
    marker->setColor(host::RgbColor(bgr));
    auto renderer = std::make_shared<host::SimpleRenderer>();
    renderer->setSymbol(marker);
    auto layer = std::make_shared<host::FeatureLayer>();
    layer->setName(name);
    layer->setFeatureClass(std::move(fc));
    layer->setRenderer(renderer);
    return layer;
}

std::shared_ptr<host::TextElement> textAt(host::XY p, const std::string& text, double size, int hAlign, int vAlign,
                                          const std::string& font) {
    auto symbol = std::make_shared<host::TextSymbol>();
    host::FontSpec request;
    request.name = font;
    request.size = size;
    symbol->setFont(request);
    symbol->setHorizontalAlignment(hAlign);
    symbol->setVerticalAlignment(vAlign);
    auto element = std::make_shared<host::TextElement>();
    element->setText(text);
    element->setSymbol(symbol);
    element->setGeometry(std::make_shared<host::Point>(p));
    return element;
}

std::shared_ptr<host::LineElement> zigzag(double h, double w, double x, double y) {
    auto line = std::make_shared<host::Polyline>();
    const std::vector<host::XY> points{{x, y},
                                       {x + w / 8, y},
                                       {x + 2 * w / 8, y - h / 2},
                                       {x + 6 * w / 8, y + h / 2},
                                       {x + 7 * w / 8, y},
                                       {x + w, y}};
    for (std::size_t i = 0; i + 1 < points.size(); ++i) line->addSegment(points[i], points[i + 1]);
    auto symbol = std::make_shared<host::SimpleLineSymbol>();
    symbol->setColor(host::RgbColor(0xFFFFFF));
    symbol->setWidth(1);
    auto element = std::make_shared<host::LineElement>();
    element->setGeometry(line);
    element->setSymbol(symbol);
    return element;
}

std::vector<std::string> entriesOf(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace rendertest

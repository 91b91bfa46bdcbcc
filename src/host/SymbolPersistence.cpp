// The persisted form of colours and symbols (markers, lines, fills, texts, callouts, bar charts).
#include "host/PersistenceTable.h"

#include "host/Symbol.h"

namespace host::persistence {

namespace {

void writeMarkerBase(const MarkerSymbol& s, Json& j) {
    j["size"] = writeDouble(s.size());
    j["color"] = writeColor(s.color());
    if (s.angle() != 0) j["angle"] = writeDouble(s.angle());
    if (s.xOffset() != 0 || s.yOffset() != 0) j["offset"] = writeXY({s.xOffset(), s.yOffset()});
}

void readMarkerBase(MarkerSymbol& s, const In& in) {
    s.setSize(in.num("size", s.size()));
    s.setColor(readColor(in, "color"));
    s.setAngle(in.num("angle", 0));
    if (in.has("offset")) {
        const XY o = readXY(in.at("offset"), in.context());
        s.setOffset(o.x, o.y);
    }
}

void writeFillBase(const FillSymbol& s, Json& j, PersistContext& c) {
    j["color"] = writeColor(s.color());
    j["outline"] = writeObject(s.outline(), c);
}

void readFillBase(FillSymbol& s, const In& in) {
    s.setColor(readColor(in, "color"));
    s.setOutline(in.object<LineSymbol>("outline"));
}

}  // namespace

void addSymbolHandlers(HandlerTable& t) {
    // Colours.
    t["RgbColor"] = handler<RgbColor>([](const RgbColor& o, Json& j, PersistContext&) { j.update(writeColor(o)); },
                                      [](RgbColor& o, const In& in) {
                                          const long v = in.integer("rgb", 0);
                                          if (v < 0 || v > 0xFFFFFF) in.context().fail("a colour value is out of range");
                                          o.setRGB(static_cast<std::uint32_t>(v));
                                          o.setTransparency(static_cast<int>(in.integer("transparency", 0)));
                                      });
    t["SimpleMarkerSymbol"] = handler<SimpleMarkerSymbol>(
        [](const SimpleMarkerSymbol& o, Json& j, PersistContext&) {
            writeMarkerBase(o, j);
            j["style"] = static_cast<int>(o.style());
            if (o.outline()) {
                j["outline"] = true;
                j["outlineColor"] = writeColor(o.outlineColor());
                j["outlineSize"] = writeDouble(o.outlineSize());
            }
        },
        [](SimpleMarkerSymbol& o, const In& in) {
            readMarkerBase(o, in);
            const long style = in.integer("style", 0);
            if (style < 0 || style > 4) in.context().fail("a marker symbol has an unknown style " + std::to_string(style));
            o.setStyle(static_cast<SimpleMarkerStyle>(style));
            o.setOutline(in.flag("outline", false));
            o.setOutlineColor(readColor(in, "outlineColor"));
            o.setOutlineSize(in.num("outlineSize", 1.0));
        });
    t["SimpleLineSymbol"] = handler<SimpleLineSymbol>(
        [](const SimpleLineSymbol& o, Json& j, PersistContext&) {
            j["width"] = writeDouble(o.width());
            j["color"] = writeColor(o.color());
            j["style"] = static_cast<int>(o.style());
        },
        [](SimpleLineSymbol& o, const In& in) {
            o.setWidth(in.num("width", 1.0));
            o.setColor(readColor(in, "color"));
            const long style = in.integer("style", 0);
            if (style < 0 || style > 5) in.context().fail("a line symbol has an unknown style " + std::to_string(style));
            o.setStyle(static_cast<int>(style));
        });
    t["SimpleFillSymbol"] = handler<SimpleFillSymbol>(
        [](const SimpleFillSymbol& o, Json& j, PersistContext& c) {
            writeFillBase(o, j, c);
            j["style"] = static_cast<int>(o.style());
        },
        [](SimpleFillSymbol& o, const In& in) {
            readFillBase(o, in);
            const long style = in.integer("style", 0);
            if (style < 0 || style > 7) in.context().fail("a fill symbol has an unknown style " + std::to_string(style));
            o.setStyle(static_cast<SimpleFillStyle>(style));
        });
    t["MultiLayerFillSymbol"] = handler<MultiLayerFillSymbol>(
        [](const MultiLayerFillSymbol& o, Json& j, PersistContext& c) {
            j["outline"] = writeObject(o.outline(), c);
            Json layers = Json::array();
            for (const auto& l : o.layers()) layers.push_back(writeObject(l, c));
            j["layers"] = layers;
        },
        [](MultiLayerFillSymbol& o, const In& in) {
            o.setOutline(in.object<LineSymbol>("outline"));
            for (const auto& jl : in.array("layers")) {
                auto layer = readObjectAs<FillSymbol>(jl, in.context(), "a fill symbol layer");
                if (layer) o.addLayer(layer);
            }
        });
    t["MarkerFillSymbol"] = handler<MarkerFillSymbol>(
        [](const MarkerFillSymbol& o, Json& j, PersistContext& c) {
            writeFillBase(o, j, c);
            j["marker"] = writeObject(o.markerSymbol(), c);
            j["separation"] = writeDouble(o.separation());
        },
        [](MarkerFillSymbol& o, const In& in) {
            readFillBase(o, in);
            o.setMarkerSymbol(in.object<MarkerSymbol>("marker"));
            o.setSeparation(in.num("separation", 8.0));
        });
    t["LineFillSymbol"] = handler<LineFillSymbol>(
        [](const LineFillSymbol& o, Json& j, PersistContext& c) {
            writeFillBase(o, j, c);
            j["line"] = writeObject(o.lineSymbol(), c);
            j["angle"] = writeDouble(o.angle());
            j["separation"] = writeDouble(o.separation());
        },
        [](LineFillSymbol& o, const In& in) {
            readFillBase(o, in);
            o.setLineSymbol(in.object<LineSymbol>("line"));
            o.setAngle(in.num("angle", 45.0));
            o.setSeparation(in.num("separation", 5.0));
        });
    t["PictureFillSymbol"] = handler<PictureFillSymbol>(
        [](const PictureFillSymbol& o, Json& j, PersistContext& c) {
            writeFillBase(o, j, c);
            j["picture"] = o.pictureName();
        },
        [](PictureFillSymbol& o, const In& in) {
            readFillBase(o, in);
            o.setPictureName(in.str("picture"));
        });
    t["TextSymbol"] = handler<TextSymbol>(
        [](const TextSymbol& o, Json& j, PersistContext&) {
            const FontSpec& f = o.font();
            j["font"] = {{"name", f.name}, {"size", writeDouble(f.size)}, {"bold", f.bold}, {"italic", f.italic}, {"underline", f.underline}};
            j["color"] = writeColor(o.color());
            j["hAlign"] = static_cast<int>(o.horizontalAlignment());
            j["vAlign"] = static_cast<int>(o.verticalAlignment());
            if (o.angle() != 0) j["angle"] = writeDouble(o.angle());
        },
        [](TextSymbol& o, const In& in) {
            In f(in.at("font"), in.context(), "a text symbol's font");
            o.setFont(FontSpec{f.str("name", "Arial"), f.num("size", 8.0), f.flag("bold", false), f.flag("italic", false),
                               f.flag("underline", false)});
            o.setColor(readColor(in, "color"));
            const long h = in.integer("hAlign", 0), v = in.integer("vAlign", 2);
            if (h < 0 || h > 3 || v < 0 || v > 3) in.context().fail("a text symbol has an unknown alignment");
            o.setHorizontalAlignment(static_cast<int>(h));
            o.setVerticalAlignment(static_cast<int>(v));
            o.setAngle(in.num("angle", 0));
        });
    t["LineCallout"] = handler<LineCallout>(
        [](const LineCallout& o, Json& j, PersistContext&) {
            j["leaderWidth"] = writeDouble(o.leaderWidth());
            j["leaderColor"] = writeColor(o.leaderColor());
            j["gap"] = writeDouble(o.gap());
            j["tolerance"] = writeDouble(o.leaderTolerance());
            if (o.anchorPoint()) j["anchor"] = writeXY(*o.anchorPoint());
        },
        [](LineCallout& o, const In& in) {
            o.setLeaderWidth(in.num("leaderWidth", 1.0));
            o.setLeaderColor(readColor(in, "leaderColor"));
            o.setGap(in.num("gap", 0));
            o.setLeaderTolerance(in.num("tolerance", 0));
            if (in.has("anchor")) o.setAnchorPoint(readXY(in.at("anchor"), in.context()));
        });
    t["BarChartSymbol"] = handler<BarChartSymbol>(
        [](const BarChartSymbol& o, Json& j, PersistContext& c) {
            writeMarkerBase(o, j);
            j["showAxes"] = o.showAxes();
            j["spacing"] = writeDouble(o.spacing());
            j["verticalBars"] = o.verticalBars();
            j["width"] = writeDouble(o.width());
            j["display3D"] = o.display3D();
            j["thickness"] = writeDouble(o.thickness());
            j["maxValue"] = writeDouble(o.maxValue());
            Json values = Json::array();
            for (double v : o.values()) values.push_back(writeDouble(v));
            j["values"] = values;
            Json symbols = Json::array();
            for (const auto& s : o.symbols()) symbols.push_back(o.symbolsShared() ? writeObjectNumbered(s, c) : writeObject(s, c));
            j["symbols"] = symbols;
            j["background"] = writeObject(o.background(), c);
        },
        [](BarChartSymbol& o, const In& in) {
            readMarkerBase(o, in);
            o.setShowAxes(in.flag("showAxes", false));
            o.setSpacing(in.num("spacing", 0));
            o.setVerticalBars(in.flag("verticalBars", true));
            o.setWidth(in.num("width", 8));
            o.setDisplay3D(in.flag("display3D", false));
            o.setThickness(in.num("thickness", 0));
            o.setMaxValue(in.num("maxValue", 0));
            std::size_t k = 0;
            for (const auto& v : in.array("values")) o.setValue(k++, readDouble(v, in.context(), "a chart value"));
            for (const auto& s : in.array("symbols")) o.addSymbol(readObjectAs<Symbol>(s, in.context(), "a chart's bar symbol"));
            in.context().sharing().shareBarSymbols(o);
            o.setBackground(in.object<LineCallout>("background"));
        });
}

}  // namespace host::persistence

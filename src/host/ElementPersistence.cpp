// The persisted form of graphic elements and groups.
#include "host/PersistenceTable.h"

#include "host/Element.h"
#include "host/Symbol.h"

namespace host::persistence {

namespace {

void writeElementBase(const Element& e, Json& j, PersistContext& c) {
    if (!e.name().empty()) j["name"] = e.name();
    if (!dynamic_cast<const GroupElement*>(&e)) j["geometry"] = writeObject(e.geometry(), c);
    if (!e.customProperty().isEmpty()) j["custom"] = writeVariant(e.customProperty(), c);
    if (e.locked()) j["locked"] = true;
}

void readElementBase(Element& e, const In& in) {
    e.setName(in.str("name"));
    if (!dynamic_cast<GroupElement*>(&e)) e.setGeometry(in.object<Geometry>("geometry"));
    if (in.has("custom")) e.setCustomProperty(readVariant(in.at("custom"), in.context()));
    e.setLocked(in.flag("locked", false));
}

}  // namespace

Json writeElements(const std::vector<ElementPtr>& elements, PersistContext& c) {
    Json a = Json::array();
    for (const auto& e : elements) a.push_back(writeObject(e, c));
    return a;
}

void addElementHandlers(HandlerTable& t) {
    t["MarkerElement"] = handler<MarkerElement>(
        [](const MarkerElement& o, Json& j, PersistContext& c) {
            writeElementBase(o, j, c);
            j["symbol"] = writeObject(o.symbol(), c);
        },
        [](MarkerElement& o, const In& in) {
            readElementBase(o, in);
            o.setSymbol(in.object<MarkerSymbol>("symbol"));
        });
    t["TextElement"] = handler<TextElement>(
        [](const TextElement& o, Json& j, PersistContext& c) {
            writeElementBase(o, j, c);
            j["text"] = o.text();
            j["symbol"] = writeObject(o.symbol(), c);
            if (!o.scaleText()) j["scaleText"] = false;
        },
        [](TextElement& o, const In& in) {
            readElementBase(o, in);
            o.setText(in.str("text"));
            o.setSymbol(in.object<TextSymbol>("symbol"));
            o.setScaleText(in.flag("scaleText", true));
        });
    t["LineElement"] = handler<LineElement>(
        [](const LineElement& o, Json& j, PersistContext& c) {
            writeElementBase(o, j, c);
            j["symbol"] = writeObject(o.symbol(), c);
        },
        [](LineElement& o, const In& in) {
            readElementBase(o, in);
            o.setSymbol(in.object<LineSymbol>("symbol"));
        });
    t["PolygonElement"] = handler<PolygonElement>(
        [](const PolygonElement& o, Json& j, PersistContext& c) {
            writeElementBase(o, j, c);
            j["symbol"] = writeObject(o.symbol(), c);
        },
        [](PolygonElement& o, const In& in) {
            readElementBase(o, in);
            o.setSymbol(in.object<FillSymbol>("symbol"));
        });
    t["GroupElement"] = handler<GroupElement>(
        [](const GroupElement& o, Json& j, PersistContext& c) {
            writeElementBase(o, j, c);
            if (!c.omitGraphicsContent()) j["elements"] = writeElements(o.elements(), c);
        },
        [](GroupElement& o, const In& in) {
            readElementBase(o, in);
            for (const auto& je : in.array("elements")) {
                auto e = readObjectAs<Element>(je, in.context(), "a group member");
                if (!e) in.context().fail("a group holds an empty member");
                if (e.get() == &o) in.context().fail("a group holds itself");
                o.addElement(e);
            }
            o.compactLabels();
        });
}

}  // namespace host::persistence

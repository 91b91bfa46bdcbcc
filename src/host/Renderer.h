#pragma once
// Feature renderers: the simple renderer (one symbol for every feature) and the chart renderer
// (one bar chart per feature from its fields).
#include <memory>
#include <string>
#include <vector>

#include "host/Feature.h"
#include "host/Symbol.h"
#include "runtime/Object.h"

namespace host {

class FeatureRenderer : public runtime::Object {
public:
    // The symbol the renderer draws the feature with.
    virtual SymbolPtr symbolByFeature(const Feature& feature) const = 0;
};
using FeatureRendererPtr = std::shared_ptr<FeatureRenderer>;

class SimpleRenderer final : public FeatureRenderer {
public:
    std::string className() const override { return "SimpleRenderer"; }
    SymbolPtr symbolByFeature(const Feature&) const override { return symbol_; }
    const SymbolPtr& symbol() const { return symbol_; }
    void setSymbol(SymbolPtr symbol) { symbol_ = std::move(symbol); }
    const std::string& label() const { return label_; }
    void setLabel(std::string label) { label_ = std::move(label); }

private:
    SymbolPtr symbol_;
    std::string label_;
};

struct RendererField {
    std::string name;
    std::string alias;
    friend bool operator==(const RendererField&, const RendererField&) = default;
};

struct LegendClass {
    std::string label;
    SymbolPtr symbol;
};

class ChartRenderer final : public FeatureRenderer {
public:
    std::string className() const override { return "ChartRenderer"; }
    // A copy of the chart symbol holding this feature's values of the renderer's fields, in
    // field order (null and non-numeric values count as 0). Empty without a chart symbol.
    SymbolPtr symbolByFeature(const Feature& feature) const override;

    const BarChartSymbolPtr& chartSymbol() const { return chartSymbol_; }
    void setChartSymbol(BarChartSymbolPtr symbol) { chartSymbol_ = std::move(symbol); }
    std::size_t fieldCount() const { return fields_.size(); }
    const RendererField& field(std::size_t index) const;
    const std::vector<RendererField>& fields() const { return fields_; }
    void addField(std::string name, std::string alias = {});
    void clearFields() { fields_.clear(); }
    const std::string& label() const { return label_; }
    void setLabel(std::string label) { label_ = std::move(label); }
    bool useOverposter() const { return useOverposter_; }
    void setUseOverposter(bool on) { useOverposter_ = on; }
    // One legend class per field: label = the alias (the name when there is none), symbol =
    // the chart symbol's bar symbol at that position.
    void createLegend();
    const std::vector<LegendClass>& legend() const { return legend_; }

private:
    BarChartSymbolPtr chartSymbol_;
    std::vector<RendererField> fields_;
    std::string label_;
    bool useOverposter_ = true;
    std::vector<LegendClass> legend_;
};
using ChartRendererPtr = std::shared_ptr<ChartRenderer>;

}  // namespace host

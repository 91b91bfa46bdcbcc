#include "host/Renderer.h"

#include "host/Error.h"

namespace host {

SymbolPtr ChartRenderer::symbolByFeature(const Feature& feature) const {
    if (!chartSymbol_) return nullptr;
    auto symbol = std::static_pointer_cast<BarChartSymbol>(chartSymbol_->cloneSymbol());
    symbol->clearValues();
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        double v = 0.0;
        const int index = feature.findField(fields_[i].name);
        if (index >= 0) {
            const runtime::Variant value = feature.value(index);
            if (value.isNumeric()) v = value.toDouble();
        }
        symbol->setValue(i, v);
    }
    return symbol;
}

const RendererField& ChartRenderer::field(std::size_t index) const {
    if (index >= fields_.size()) raiseRuntime(runtime::err::SubscriptOutOfRange, "RendererFields.Field", "Subscript out of range");
    return fields_[index];
}

void ChartRenderer::addField(std::string name, std::string alias) { fields_.push_back({std::move(name), std::move(alias)}); }

void ChartRenderer::createLegend() {
    legend_.clear();
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        SymbolPtr symbol;
        if (chartSymbol_ && i < chartSymbol_->symbolCount()) symbol = chartSymbol_->symbol(i);
        legend_.push_back({fields_[i].alias.empty() ? fields_[i].name : fields_[i].alias, symbol});
    }
}

}  // namespace host

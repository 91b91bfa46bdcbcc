// frmPlotlet: size scaling. The boxes hold Vmax (TxtMaxValue), Vmin (TxtMinValue), Smin in
// millimetres on the map (TxtMinValueMM), the chart size P in points (TxtChartMarkerSize) and
// its millimetres Pmm (TxtChartMarkerSizeMM). They keep one relation,
//     Smin / Vmin = Pmm / Vmax,  72 points = 25.4 mm,  times the map factor r,
// and the lock decides what is held: on, P follows the values; off, P is typed (or spun) and
// Smin or Vmin follow.
#include <cmath>

#include "dialog/DialogPictures.h"
#include "dialog/frmPlotlet.h"
#include "engine/ChartData.h"
#include "errors/ErrorHandling.h"
#include "host/Map.h"
#include "runtime/Error.h"
#include "runtime/NumberText.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

// Millimetres per inch, written as the conversions always wrote it.
constexpr double MillimetresPerInch = 2.54 * 10;
constexpr double PointsPerInch = host::kPointsPerInch;

// A division that fails as the runtime's does: by zero error 11, beyond a double error 6.
double quotient(double dividend, double divisor) {
    if (divisor == 0) runtime::raise(runtime::err::DivisionByZero);
    const double q = dividend / divisor;
    if (!std::isfinite(q)) runtime::raise(runtime::err::Overflow);
    return q;
}

double boxNumber(const ui::TextBox& box) { return runtime::parseDecimal(box.text()); }

// Numbers written into the scale boxes use "." whatever the system's separator.
std::string boxText(double value) { return runtime::numberText(value, "."); }

// Runs a conversion under its own failure handler: a failure is reported and yields 0.
template <class Body>
double conversion(std::string_view label, Body&& body) {
    return EH::trapped(EH::ProcedureGuard{{.procedure = label}, 0, EH::ModeDialog},
                       [&](EH::ProcedureGuard& guard) {
                           guard.line = 1;
                           return body();
                       },
                       0.0);
}

}  // namespace

double frmPlotlet::scaleFactor() const {
    if (!pMap) runtime::raise(runtime::err::ObjectNotSet);
    const double reference = pMap->referenceScale();
    if (reference > 0) return quotient(reference, pMap->mapScale());
    return 1;
}

double frmPlotlet::CalcChartSize() {
    return conversion("CalcChartSize ", [this] {
        const double vmin = boxNumber(TxtMinValue);
        if (vmin == 0) return 0.0;
        const double smin = boxNumber(TxtMinValueMM), vmax = boxNumber(TxtMaxValue), r = scaleFactor();
        return runtime::roundHalfEven(quotient(PointsPerInch * smin * vmax, vmin * MillimetresPerInch * r), 0);
    });
}

double frmPlotlet::CalcMinMM() {
    return conversion("CalcMinMM ", [this] {
        const double vmax = boxNumber(TxtMaxValue);
        if (vmax == 0) return 0.0;
        const double vmin = boxNumber(TxtMinValue), p = boxNumber(TxtChartMarkerSize), r = scaleFactor();
        return runtime::roundHalfEven(quotient(vmin, vmax) * p / PointsPerInch * MillimetresPerInch * r, 3);
    });
}

double frmPlotlet::CalcSizeMM() {
    return conversion("CalcSizeMM ", [this] {
        const double p = boxNumber(TxtChartMarkerSize), r = scaleFactor();
        return runtime::roundHalfEven(p / PointsPerInch * MillimetresPerInch * r, 1);
    });
}

double frmPlotlet::CalcMinValueFromMM() {
    return conversion("CalcMinValueFromMM ", [this] {
        const double vmax = boxNumber(TxtMaxValue);
        if (vmax == 0) return 0.0;
        const double smin = boxNumber(TxtMinValueMM), p = boxNumber(TxtChartMarkerSize), r = scaleFactor();
        return runtime::roundHalfEven(quotient(vmax * smin * PointsPerInch, p * MillimetresPerInch * r), 10);
    });
}

void frmPlotlet::recomputeAfterValues() {
    if (TglBtnLockMin.value()) TxtChartMarkerSize.setText(boxText(CalcChartSize()));
    else TxtMinValueMM.setText(boxText(CalcMinMM()));
}

void frmPlotlet::TxtMaxValue_LostFocus() { recomputeAfterValues(); }

void frmPlotlet::TxtMinValue_LostFocus() { recomputeAfterValues(); }

void frmPlotlet::TxtMinValueMM_LostFocus() {
    if (TglBtnLockMin.value()) TxtChartMarkerSize.setText(boxText(CalcChartSize()));
    else TxtMinValue.setText(boxText(CalcMinValueFromMM()));
}

void frmPlotlet::TxtChartMarkerSize_Change() {
    // Three steps, each on its own: one that fails is skipped and the next one runs.
    try {
        TxtChartMarkerSizeMM.setText(boxText(CalcSizeMM()));
    } catch (...) {
    }
    try {
        const std::int16_t spin = runtime::toInt16(boxNumber(TxtChartMarkerSize));
        // The spin button refuses a value outside its bounds rather than clamping it, so a
        // size of 0 stays 0 instead of being turned into 1 behind the user's back.
        if (spin < SpinBtnChartSize.min() || spin > SpinBtnChartSize.max()) runtime::raise(380);
        SpinBtnChartSize.setValue(spin);
    } catch (...) {
    }
    if (!TglBtnLockMin.value()) {
        try {
            TxtMinValueMM.setText(boxText(CalcMinMM()));
        } catch (...) {
        }
    }
}

void frmPlotlet::SpinBtnChartSize_Change() {
    TxtChartMarkerSize.setText(runtime::numberText(SpinBtnChartSize.value()));
}

void frmPlotlet::TglBtnLockMin_Click() {
    const bool locked = TglBtnLockMin.value();
    TglBtnLockMin.setPicture(TryLoadDialogPicture(locked ? "LOCKED" : "UNLOCKED"));
    TxtChartMarkerSize.setEnabled(!locked);
    SpinBtnChartSize.setEnabled(!locked);
}

void frmPlotlet::TxtOutlineWidth_LostFocus() {
    try {
        const double width = boxNumber(TxtOutlineWidth);
        setOutlineWidth(width);
        TxtOutlineWidth.setText(runtime::numberText(width));
    } catch (...) {
        // The box and the width stay as they were.
    }
}

void frmPlotlet::CalcMinMaxValue(bool max) {
    double result = 0;
    // Without a point layer there are no values: the box gets 0, as for no chosen field.
    if (CmbLayers.listIndex() >= 0 && LstViewFields.selectedItem() != nullptr) {
        const host::FeatureLayerPtr& layer = LayerColl.item(static_cast<std::size_t>(CmbLayers.listIndex() + 1));
        const bool selectedOnly = OpAllObjects().itemAs<ui::OptionButton>(1).value();
        bool first = true;
        for (int k = 1; k <= LstViewFields.itemCount(); ++k) {
            const ui::ListItem& row = LstViewFields.item(k);
            if (!row.selected()) continue;
            const double value = DataStatistic(layer, row.subItem(1), max ? "MAX" : "min", selectedOnly).toDouble();
            if (first || (max ? value > result : value < result)) result = value;
            first = false;
        }
    }
    (max ? TxtMaxValue : TxtMinValue).setText(boxText(result));
}

void frmPlotlet::CmdCalcMax_Click() {
    ChekSelectedOnLayer();
    CalcMinMaxValue(true);
    recomputeAfterValues();
}

void frmPlotlet::CmdCalcMin_Click() {
    ChekSelectedOnLayer();
    CalcMinMaxValue(false);
    recomputeAfterValues();
}

}  // namespace plotlet

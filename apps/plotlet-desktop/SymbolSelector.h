#pragma once
// The host's symbol selector for fill symbols: fill colour, outline colour and outline width,
// with a preview. It edits a copy; the chosen symbol is that copy.
#include <QDialog>

#include "host/Symbol.h"

class QLabel;
class QDoubleSpinBox;
class QPushButton;

namespace desktop {

class SymbolSelector : public QDialog {
    Q_OBJECT
public:
    SymbolSelector(const host::FillSymbol& symbol, QWidget* parent = nullptr);
    // The edited copy (a new object; the symbol given stays as it was).
    host::FillSymbolPtr chosenSymbol() const { return symbol_; }

    void setFillColor(const QColor& color);
    void setOutlineColor(const QColor& color);
    void setOutlineWidth(double points);

private:
    void updatePreview();

    host::FillSymbolPtr symbol_;
    QPushButton* fillButton_;
    QPushButton* outlineButton_;
    QDoubleSpinBox* widthBox_;
    QLabel* preview_;
};

}  // namespace desktop

#include "plotlet-desktop/SymbolSelector.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace desktop {

namespace {

QColor toQColor(const host::RgbColor& c) {
    return QColor(c.red(), c.green(), c.blue(), 255 - c.transparency());
}

host::RgbColor fromQColor(const QColor& c) { return host::RgbColor::fromRgb(c.red(), c.green(), c.blue()); }

void paintSwatch(QPushButton* button, const QColor& color) {
    QPixmap swatch(32, 14);
    swatch.fill(color);
    button->setIcon(QIcon(swatch));
    button->setIconSize(swatch.size());
    button->setText(color.name());
}

}  // namespace

SymbolSelector::SymbolSelector(const host::FillSymbol& symbol, QWidget* parent) : QDialog(parent) {
    setObjectName("SymbolSelector");
    setWindowTitle(tr("Symbol Selector"));
    symbol_ = std::dynamic_pointer_cast<host::FillSymbol>(symbol.cloneSymbol());
    if (!symbol_->outline()) {
        auto outline = std::make_shared<host::SimpleLineSymbol>();
        outline->setWidth(0);
        symbol_->setOutline(outline);
    } else {
        symbol_->setOutline(std::dynamic_pointer_cast<host::LineSymbol>(symbol_->outline()->cloneSymbol()));
    }
    auto* form = new QFormLayout;
    fillButton_ = new QPushButton(this);
    fillButton_->setObjectName("FillColor");
    outlineButton_ = new QPushButton(this);
    outlineButton_->setObjectName("OutlineColor");
    widthBox_ = new QDoubleSpinBox(this);
    widthBox_->setObjectName("OutlineWidth");
    widthBox_->setRange(0, 100);
    widthBox_->setDecimals(2);
    widthBox_->setSingleStep(0.25);
    widthBox_->setValue(symbol_->outline()->width());
    preview_ = new QLabel(this);
    preview_->setObjectName("Preview");
    preview_->setFixedSize(96, 64);
    form->addRow(tr("Fill colour"), fillButton_);
    form->addRow(tr("Outline colour"), outlineButton_);
    form->addRow(tr("Outline width"), widthBox_);
    form->addRow(tr("Preview"), preview_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(fillButton_, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(toQColor(symbol_->color()), this, tr("Fill colour"),
                                                QColorDialog::DontUseNativeDialog);
        if (c.isValid()) setFillColor(c);
    });
    connect(outlineButton_, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(toQColor(symbol_->outline()->color()), this, tr("Outline colour"),
                                                QColorDialog::DontUseNativeDialog);
        if (c.isValid()) setOutlineColor(c);
    });
    connect(widthBox_, &QDoubleSpinBox::valueChanged, this, [this](double w) {
        symbol_->outline()->setWidth(w);
        updatePreview();
    });
    updatePreview();
}

void SymbolSelector::setFillColor(const QColor& color) {
    symbol_->setColor(fromQColor(color));
    updatePreview();
}

void SymbolSelector::setOutlineColor(const QColor& color) {
    symbol_->outline()->setColor(fromQColor(color));
    updatePreview();
}

void SymbolSelector::setOutlineWidth(double points) { widthBox_->setValue(points); }

void SymbolSelector::updatePreview() {
    const QColor fill = toQColor(symbol_->color());
    const QColor outline = toQColor(symbol_->outline()->color());
    paintSwatch(fillButton_, fill);
    paintSwatch(outlineButton_, outline);
    QPixmap pixmap(preview_->size());
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = symbol_->outline()->width() * 96.0 / 72.0;
    painter.setPen(w > 0 ? QPen(outline, w) : QPen(Qt::NoPen));
    painter.setBrush(fill);
    painter.drawRect(QRectF(12, 10, pixmap.width() - 24, pixmap.height() - 20));
    painter.end();
    preview_->setPixmap(pixmap);
}

}  // namespace desktop

#include "ui/ListView.h"

#include <nlohmann/json.hpp>

#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

namespace {

bool isNoIcon(const Variant& icon) {
    return icon.isEmpty() || icon.isNull() || (icon.isString() && icon.stringValue().empty());
}

runtime::ObjectPtr resolve(const ImageList* list, const Variant& icon) {
    if (!list || isNoIcon(icon)) return nullptr;
    int index = 0;
    if (icon.isString()) index = list->indexOfKey(icon.stringValue());
    else if (icon.isNumeric()) index = static_cast<int>(icon.toInt32());
    if (index < 1 || index > list->count()) return nullptr;
    return list->item(index).picture;
}

nlohmann::json iconJson(const Variant& icon) {
    if (isNoIcon(icon)) return nullptr;
    if (icon.isString()) return icon.stringValue();
    return icon.toInt32();
}

}  // namespace

// --- ListItem -------------------------------------------------------------------------------

int ListItem::index() const { return owner_.indexOf(*this); }

void ListItem::setText(std::string text) {
    text_ = std::move(text);
    owner_.changed("ListItems");
}

void ListItem::setIcon(const Variant& icon) {
    owner_.checkIcon(owner_.icons_, icon);
    icon_ = icon;
    owner_.changed("ListItems");
}

void ListItem::setSmallIcon(const Variant& icon) {
    owner_.checkIcon(owner_.smallIcons_, icon);
    smallIcon_ = icon;
    owner_.changed("ListItems");
}

std::string ListItem::subItem(int index) const {
    if (index < 1 || index >= owner_.columnCount()) raiseUi(err::InvalidPropertyValue);
    const auto i = static_cast<std::size_t>(index - 1);
    return i < subItems_.size() ? subItems_[i] : std::string();
}

void ListItem::setSubItem(int index, std::string text) {
    if (index < 1 || index >= owner_.columnCount()) raiseUi(err::InvalidPropertyValue);
    const auto i = static_cast<std::size_t>(index - 1);
    if (subItems_.size() <= i) subItems_.resize(i + 1);
    subItems_[i] = std::move(text);
    owner_.changed("ListItems");
}

void ListItem::setSelected(bool selected) {
    if (selected_ == selected) return;
    if (selected && !owner_.multiSelect())
        for (auto& other : owner_.items_) other->selected_ = false;
    selected_ = selected;
    owner_.changed("Selected");
}

// --- ColumnHeader ---------------------------------------------------------------------------

void ColumnHeader::setWidth(int width) {
    if (width < 0) raiseUi(err::InvalidPropertyValue);
    width_ = width;
}

// --- ListView -------------------------------------------------------------------------------

ListView::ListView(Form& form, const ControlDesign& design) : Control(form, design) {
    for (const ColumnDesign& column : design.columns)
        columns_.push_back(std::make_unique<ColumnHeader>(column.key, column.text, column.width));
    renumberColumns();
}

// The bound image lists die with the same form, maybe before this list view, so they are left
// alone here.
ListView::~ListView() = default;

void ListView::resetKindState() {
    if (icons_) icons_->unbind();
    if (smallIcons_) smallIcons_->unbind();
    icons_ = smallIcons_ = nullptr;
    items_.clear();
    columns_.clear();
    for (const ColumnDesign& column : design().columns)
        columns_.push_back(std::make_unique<ColumnHeader>(column.key, column.text, column.width));
    renumberColumns();
}

void ListView::resolveDesignReferences() {
    auto imageListNamed = [this](const std::string& name) -> ImageList* {
        if (name.empty()) return nullptr;
        auto* list = form().control(name).as<ImageList>();
        if (!list) raiseUi(err::TypeMismatch);
        return list;
    };
    setIcons(imageListNamed(design().icons));
    setSmallIcons(imageListNamed(design().smallIcons));
}

int ListView::indexOf(const ListItem& item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == &item) return static_cast<int>(i) + 1;
    return 0;
}

ListItem& ListView::item(int index) const {
    if (index < 1 || index > itemCount()) raiseUi(err::IndexOutOfBounds);
    return *items_[static_cast<std::size_t>(index - 1)];
}

ListItem& ListView::item(std::string_view key) const {
    ListItem* found = findItem(key);
    if (!found) raiseUi(err::ElementNotFound);
    return *found;
}

ListItem* ListView::findItem(std::string_view key) const {
    if (key.empty()) return nullptr;
    for (const auto& item : items_)
        if (item->key_ == key) return item.get();
    return nullptr;
}

ListItem& ListView::addItem(int index, std::string key, std::string text, const Variant& icon, const Variant& smallIcon) {
    if (index == 0) index = itemCount() + 1;
    if (index < 1 || index > itemCount() + 1) raiseUi(err::IndexOutOfBounds);
    if (findItem(key)) raiseUi(err::KeyNotUnique);
    checkIcon(icons_, icon);
    checkIcon(smallIcons_, smallIcon);
    auto item = std::unique_ptr<ListItem>(new ListItem(*this, std::move(key), std::move(text)));
    item->icon_ = icon;
    item->smallIcon_ = smallIcon;
    ListItem& added = *item;
    items_.insert(items_.begin() + (index - 1), std::move(item));
    changed("ListItems");
    return added;
}

void ListView::removeItem(int index) {
    if (index < 1 || index > itemCount()) raiseUi(err::IndexOutOfBounds);
    items_.erase(items_.begin() + (index - 1));
    changed("ListItems");
}

void ListView::removeItem(std::string_view key) { removeItem(item(key).index()); }

void ListView::clearItems() {
    if (items_.empty()) return;
    items_.clear();
    changed("ListItems");
}

ListItem* ListView::selectedItem() const {
    for (const auto& item : items_)
        if (item->selected_) return item.get();
    return nullptr;
}

ColumnHeader& ListView::column(int index) const {
    if (index < 1 || index > columnCount()) raiseUi(err::IndexOutOfBounds);
    return *columns_[static_cast<std::size_t>(index - 1)];
}

ColumnHeader& ListView::column(std::string_view key) const {
    for (const auto& column : columns_)
        if (!key.empty() && column->key_ == key) return *column;
    raiseUi(err::ElementNotFound);
}

ColumnHeader& ListView::addColumn(int index, std::string key, std::string text, int width) {
    if (index == 0) index = columnCount() + 1;
    if (index < 1 || index > columnCount() + 1) raiseUi(err::IndexOutOfBounds);
    if (!key.empty())
        for (const auto& column : columns_)
            if (column->key_ == key) raiseUi(err::KeyNotUnique);
    if (width < 0) raiseUi(err::InvalidPropertyValue);
    auto column = std::make_unique<ColumnHeader>(std::move(key), std::move(text), width);
    ColumnHeader& added = *column;
    columns_.insert(columns_.begin() + (index - 1), std::move(column));
    renumberColumns();
    changed("ColumnHeaders");
    return added;
}

void ListView::removeColumn(int index) {
    if (index < 1 || index > columnCount()) raiseUi(err::IndexOutOfBounds);
    columns_.erase(columns_.begin() + (index - 1));
    renumberColumns();
    changed("ColumnHeaders");
}

void ListView::clearColumns() {
    columns_.clear();
    changed("ColumnHeaders");
}

void ListView::renumberColumns() {
    for (std::size_t i = 0; i < columns_.size(); ++i) columns_[i]->index_ = static_cast<int>(i) + 1;
}

void ListView::setIcons(ImageList* list) { bindList(icons_, list, "Icons"); }

void ListView::setSmallIcons(ImageList* list) { bindList(smallIcons_, list, "SmallIcons"); }

void ListView::bindList(ImageList*& slot, ImageList* list, std::string_view property) {
    if (slot == list) return;
    if (list && &list->form() != &form()) raiseUi(err::InvalidPropertyValue);
    if (slot) slot->unbind();
    slot = list;
    if (slot) slot->bind();
    changed(property);
}

void ListView::checkIcon(const ImageList* list, const Variant& icon) const {
    if (isNoIcon(icon)) return;
    if (!list) raiseUi(err::ImageListNotInitialized);
    if (icon.isString()) {
        if (list->indexOfKey(icon.stringValue()) == 0) raiseUi(err::ElementNotFound);
        return;
    }
    if (!icon.isNumeric()) raiseUi(err::TypeMismatch);
    const double index = icon.toDouble();
    if (index < 1 || index > list->count()) raiseUi(err::IndexOutOfBounds);
}

runtime::ObjectPtr ListView::iconPicture(const ListItem& item) const { return resolve(icons_, item.icon_); }

runtime::ObjectPtr ListView::smallIconPicture(const ListItem& item) const { return resolve(smallIcons_, item.smallIcon_); }

std::optional<Variant> ListView::getKindProperty(std::string_view upperName) const {
    if (upperName == "MULTISELECT") return Variant(multiSelect());
    if (upperName == "LISTITEMSCOUNT") return Variant(static_cast<std::int32_t>(itemCount()));
    if (upperName == "SELECTEDITEM") {
        const ListItem* selected = selectedItem();
        return selected ? Variant(static_cast<std::int32_t>(selected->index())) : Variant::null();
    }
    return std::nullopt;
}

bool ListView::setKindProperty(std::string_view upperName, const Variant&) {
    if (upperName == "MULTISELECT") raiseUi(err::PropertyReadOnly, "MultiSelect");
    if (upperName == "LISTITEMSCOUNT") raiseUi(err::PropertyReadOnly, "ListItemsCount");
    if (upperName == "SELECTEDITEM") raiseUi(err::PropertyReadOnly, "SelectedItem");
    return false;
}

void ListView::describe(nlohmann::json& out) const {
    nlohmann::json columns = nlohmann::json::array();
    for (const auto& column : columns_)
        columns.push_back({{"key", column->key_}, {"text", column->text_}, {"width", column->width_}});
    out["columns"] = std::move(columns);
    nlohmann::json items = nlohmann::json::array();
    for (const auto& item : items_) {
        nlohmann::json row{{"key", item->key_}, {"text", item->text_}, {"icon", iconJson(item->icon_)},
                           {"smallIcon", iconJson(item->smallIcon_)}, {"subItems", item->subItems_}};
        if (item->selected_) row["selected"] = true;
        items.push_back(std::move(row));
    }
    out["items"] = std::move(items);
    out["icons"] = icons_ ? nlohmann::json(icons_->name()) : nlohmann::json(nullptr);
    out["smallIcons"] = smallIcons_ ? nlohmann::json(smallIcons_->name()) : nlohmann::json(nullptr);
}

}  // namespace ui

#pragma once
// A list view in report form: items counted from 1, each with an optional unique key, a text,
// large and small icons from the bound image lists, sub-items 1..(column count - 1) and a
// Selected flag; column headers counted from 1 with key, text and width (pixels; 0 hides the
// column).
//
// Icons are given as an image key (text) or an image index (number) of the bound image list;
// giving one without a bound list raises error 35613, one the list does not hold error 35601
// (key) or 35600 (index). What an icon refers to is resolved when it is drawn, so an item keeps
// its icon value while its image list is detached or changed.
//
// Errors: 35600 item or column index out of bounds, 35601 key not found, 35602 key already
// used, 380 a sub-item outside 1..column count - 1.
// Events come only from the user (Driver): ItemClick, DblClick, ColumnClick, MouseUp. Changing
// items or their Selected flags from code fires nothing.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Variant.h"
#include "ui/Control.h"

namespace ui {

class ImageList;
class ListView;

class ListItem {
public:
    ListItem(const ListItem&) = delete;
    ListItem& operator=(const ListItem&) = delete;

    ListView& listView() const { return owner_; }
    int index() const;  // current 1-based position
    const std::string& key() const { return key_; }
    const std::string& text() const { return text_; }
    void setText(std::string text);

    const runtime::Variant& icon() const { return icon_; }
    void setIcon(const runtime::Variant& icon);
    const runtime::Variant& smallIcon() const { return smallIcon_; }
    void setSmallIcon(const runtime::Variant& icon);

    // Sub-items 1..(column count - 1); error 380 outside.
    std::string subItem(int index) const;
    void setSubItem(int index, std::string text);

    bool selected() const { return selected_; }
    // In single selection, selecting an item deselects the others.
    void setSelected(bool selected);

    const std::string& tag() const { return tag_; }
    void setTag(std::string tag) { tag_ = std::move(tag); }

private:
    friend class ListView;
    ListItem(ListView& owner, std::string key, std::string text) : owner_(owner), key_(std::move(key)), text_(std::move(text)) {}

    ListView& owner_;
    std::string key_;
    std::string text_;
    runtime::Variant icon_;
    runtime::Variant smallIcon_;
    std::vector<std::string> subItems_;  // [0] is sub-item 1
    bool selected_ = false;
    std::string tag_;
};

class ColumnHeader {
public:
    ColumnHeader(std::string key, std::string text, int width) : key_(std::move(key)), text_(std::move(text)), width_(width) {}
    ColumnHeader(const ColumnHeader&) = delete;
    ColumnHeader& operator=(const ColumnHeader&) = delete;

    int index() const { return index_; }
    const std::string& key() const { return key_; }
    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    int width() const { return width_; }
    void setWidth(int width);  // error 380 when negative

private:
    friend class ListView;
    int index_ = 0;
    std::string key_;
    std::string text_;
    int width_;
};

class ListView final : public Control {
public:
    ListView(Form& form, const ControlDesign& design);
    ~ListView() override;

    bool canTakeFocus() const override { return true; }
    bool multiSelect() const { return design().multiSelect != 0; }

    // ListItems.
    int itemCount() const { return static_cast<int>(items_.size()); }
    ListItem& item(int index) const;
    ListItem& item(std::string_view key) const;
    ListItem* findItem(std::string_view key) const;  // nullptr when no item has the key
    // Inserts at `index` (1..count+1; 0 appends) and returns the new item.
    ListItem& addItem(int index = 0, std::string key = {}, std::string text = {}, const runtime::Variant& icon = {},
                      const runtime::Variant& smallIcon = {});
    void removeItem(int index);
    void removeItem(std::string_view key);
    void clearItems();
    // The first selected item, or nullptr.
    ListItem* selectedItem() const;

    // ColumnHeaders.
    int columnCount() const { return static_cast<int>(columns_.size()); }
    ColumnHeader& column(int index) const;
    ColumnHeader& column(std::string_view key) const;
    ColumnHeader& addColumn(int index = 0, std::string key = {}, std::string text = {}, int width = 60);
    void removeColumn(int index);
    void clearColumns();

    // The image lists for large and small icons; nullptr detaches. The list must be a control of
    // the same form.
    ImageList* icons() const { return icons_; }
    void setIcons(ImageList* list);
    ImageList* smallIcons() const { return smallIcons_; }
    void setSmallIcons(ImageList* list);
    // The pictures an item shows now; empty when its icon does not resolve.
    runtime::ObjectPtr iconPicture(const ListItem& item) const;
    runtime::ObjectPtr smallIconPicture(const ListItem& item) const;

    Event<ListItem&> onItemClick;
    Event<> onDblClick;
    Event<ColumnHeader&> onColumnClick;
    // button (1 left, 2 right, 4 middle), shift state, x and y in pixels within the control.
    Event<int, int, float, float> onMouseUp;

private:
    friend class ListItem;

    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;
    void resolveDesignReferences() override;

    void bindList(ImageList*& slot, ImageList* list, std::string_view property);
    void checkIcon(const ImageList* list, const runtime::Variant& icon) const;
    void renumberColumns();
    int indexOf(const ListItem& item) const;

    std::vector<std::unique_ptr<ListItem>> items_;
    std::vector<std::unique_ptr<ColumnHeader>> columns_;
    ImageList* icons_ = nullptr;
    ImageList* smallIcons_ = nullptr;
};

}  // namespace ui

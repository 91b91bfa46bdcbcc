#include "engine/ChartData.h"

#include <array>
#include <cmath>

#include "errors/ErrorHandling.h"
#include "host/Feature.h"
#include "host/Persistence.h"
#include "runtime/Error.h"
#include "runtime/NumberText.h"
#include "runtime/Text.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

struct MessageTexts {
    const char* english;
    const char* russian;
};

// Slots 1..23. Slots 3 and 16 begin, after their blanks, with a Latin "C" in Russian too: the
// texts are kept exactly as users have always seen them.
constexpr std::array<MessageTexts, MessageSlotCount> messageTexts{{
    {"Field ", "Поле "},
    {"  not possible to fill ", "  невозможно заполнить значениями "},
    {"  Exist ", "  Cуществует "},
    {"File ", "Файла "},
    {" not exist!", " не существует!"},
    {"Annotation layer not exist ", "Отсутствует графический слой "},
    {"Refresh charts", "Обновление диаграмм"},
    {"No selected objects", "Нет выбранных объектов"},
    {"Annotation layer not created ", "Не создан графический слой "},
    {"Not possible to clone filed ", "Невозможно сдублировать поле  "},
    {"Not possible to add field  ", "Невозможно добавить поле  "},
    {"No data for legend", "Нет данных для сохранения легенды"},
    {"No data was saved with this graphic element", "С данным графическим элементом не сохранены требуемые данные"},
    {"Field ", "Поле "},
    {"  not possible to fill ", "  невозможно заполнить значениями "},
    {"  Exist ", "  Cуществует "},
    {"Can't delete annotation layer", "Невозможно удалить графический слой"},
    {"Annotation layer not exist ", "Отсутствует графический слой "},
    {"Refresh charts", "Обновление диаграмм"},
    {"No selected objects", "Нет выбранных объектов"},
    {"Save legend as:", "Сохранить легенду как:"},
    {"Cancel", "Отмена"},
    {"Layer *.lyr|*.lyr", "Слой *.lyr|*.lyr"},
}};

using MessageTable = std::array<std::string, MessageSlotCount>;

MessageTable& messageTable() {
    thread_local MessageTable table = [] {
        MessageTable t;
        for (std::size_t i = 0; i < t.size(); ++i) t[i] = messageTexts[i].english;
        return t;
    }();
    return table;
}

// The position of the first "," or, when there is none, of the first "." (1-based, 0: none).
std::size_t separatorPosition(const std::string& text) {
    std::size_t p = text.find(',');
    if (p == std::string::npos) p = text.find('.');
    return p == std::string::npos ? 0 : p + 1;
}

}  // namespace

void LoadMessagesFor(const std::string& language) {
    const bool russian = language == "Русский";
    MessageTable& table = messageTable();
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = russian ? messageTexts[i].russian : messageTexts[i].english;
}

bool MessagesInRussian() { return messageTable()[0] == messageTexts[0].russian; }

const std::string& Message(int slot) {
    if (slot < 1 || slot > MessageSlotCount) runtime::raise(runtime::err::SubscriptOutOfRange);
    return messageTable()[static_cast<std::size_t>(slot - 1)];
}

runtime::Variant DataStatistic(const host::FeatureLayerPtr& layer, const std::string& fieldName,
                               const std::string& statisticName, bool selectedOnly) {
    EH::ProcedureGuard guard{{.procedure = "DataStatistic "}, 0, EH::ModeDialog};
    try {
        guard.line = 1;
        if (!layer) runtime::raise(runtime::err::ObjectNotSet);
        guard.line = 2;
        const host::FeatureCursorPtr cursor =
            selectedOnly ? layer->selectionSet()->search(nullptr) : layer->search(nullptr);
        guard.line = 3;
        host::DataStatistics statistics;
        statistics.setField(fieldName);
        statistics.setCursor(cursor);
        const host::StatisticsResults results = statistics.statistics();
        guard.line = 4;
        const std::string name = runtime::upperCase(statisticName);
        if (name == "MAX") return results.maximum;
        if (name == "MIN") return results.minimum;
        if (name == "MEAN") return results.mean;
        if (name == "COUNT") return results.count;
        if (name == "STDEV") return results.standardDeviation;
        if (name == "SUM") return results.sum;
        return {};
    } catch (...) {
        guard.report();
        return {};
    }
}

std::string CutNumberString(double value, std::int16_t signs) {
    EH::ProcedureGuard guard{{.procedure = "CutNumberString "}, 0, EH::ModeDialog};
    try {
        guard.line = 1;
        if (!std::isfinite(value)) return runtime::numberText(value, ".");
        const std::string text = runtime::trim(runtime::numberText(value));
        guard.line = 2;
        const std::size_t sep = separatorPosition(text);
        guard.line = 3;
        long lead = 0;
        if (value < 1.0 && sep != 0) lead = static_cast<long>(sep) - 1;
        guard.line = 4;
        std::string result;
        if (lead < signs - 1) {
            const long decimals = signs - static_cast<long>(sep) >= 0 ? signs - static_cast<long>(sep) : 0;
            result = runtime::trim(runtime::numberText(runtime::roundHalfEven(value, static_cast<int>(decimals))));
        } else {
            result = runtime::trim(runtime::numberText(runtime::roundHalfEven(value, 0)));
        }
        guard.line = 5;
        if (static_cast<long>(signs) - static_cast<long>(runtime::characterCount(result)) >= 2 &&
            result.find(',') == std::string::npos && result.find('.') == std::string::npos) {
            result += ".0";
        }
        guard.line = 6;
        return runtime::replaceAll(result, ",", ".");
    } catch (...) {
        guard.report();
        return {};
    }
}

std::string ReplaceText(const std::string& find, const std::string& source, const std::string& replacement) {
    // An empty search text would match at every step without consuming anything.
    if (find.empty()) return source;
    std::string result;
    std::size_t from = 0;
    for (;;) {
        const std::size_t p = source.find(find, from);
        if (p == std::string::npos) {
            result.append(source, from, std::string::npos);
            return result;
        }
        result.append(source, from, p - from);
        result += replacement;
        from = p + find.size();
    }
}

host::Point GetShapeCenter(const host::GeometryPtr& shape) {
    if (!shape) runtime::raise(runtime::err::ObjectNotSet);
    if (shape->isEmpty()) return {};
    if (auto polygon = std::dynamic_pointer_cast<host::Polygon>(shape)) return host::Point(polygon->labelPoint());
    if (auto point = std::dynamic_pointer_cast<host::Point>(shape)) return *point;
    return host::Point(shape->envelope().labelPoint());
}

runtime::ObjectPtr CloneObject(const runtime::ObjectPtr& object) {
    if (!object) runtime::raise(runtime::err::ObjectNotSet);
    return host::copyObject(object);
}

}  // namespace plotlet

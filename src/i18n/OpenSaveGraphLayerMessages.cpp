// The message list of the graphics file dialog FrmOpenSaveGraphLayer. Messages are joined by
// plain concatenation, so the blanks at their ends (or their absence) are part of the texts.
#include "i18n/TranslatePlotlet.h"

#include "runtime/Error.h"

namespace plotlet::TranslatePlotlet {

namespace {

struct Text {
    const char* en;
    const char* ru;
};

constexpr Text Messages[OpenSaveGraphLayerMessageCount] = {
    {"Saved annotation *.obj|*.obj", "Сохраненные слои *.obj|*.obj"},
    {"Layer for save not selected", "Не выбран слой для сохранения"},
    {"No file Name", "Не выбрано имя файла для сохранения"},
    {"File ", "Файл "},
    {" exist, replace?", " существует, Переписать?"},
    {"Save", "Сохранение"},
    {"No layer for load", "Не выбран слой для загрузки"},
    {"No new layer name", "Не заполнено имя нового слоя для загрузки"},
    {"not exist", "не существует"},
    {"Load", "Загрузка"},
    {"OK!", "Операция завершилась удачно"},
    {"Save", "Сохранить"},
    {"Load", "Загрузить"},
    {"Graphics", "Графические объекты"},
    {"SpatialReference", "SpatialReference - имя координатной системы"},
    {"Map scale", "Масштаб карты"},
    {"Map ReferenceScale", "ReferenceScale карты"},
    {"Annotation layer ReferenceScale", "ReferenceScale графического слоя"},
    {"No data in the file", "В файле нет данных о графических элементах"},
    {"graphics load", "Загрузка графики"},
    {"No data about ", "В файле нет данных о "},
    {"Saved data not equal of map parameters ", "Следующие сохраненные данные не совпадают с параметрами карты "},
    {"Restore saved parameters?", "Восстановить сохраненные параметры?"},
    {"File ", "В файле "},
    {" have no required parameters!", " нет данных нужного формата!"},
    {"Layer exist, change name or select from list",
     "Слой с таким именем существует, измените название или выделите из списка"},
    {"new layer", "Новый слой"},
    {"Cancel", "Отмена"},
};

}  // namespace

std::string OpenSaveGraphLayerMessage(int number, std::string_view language) {
    if (number < 1 || number > OpenSaveGraphLayerMessageCount) runtime::raise(runtime::err::SubscriptOutOfRange);
    const Text& t = Messages[number - 1];
    return IsRussian(language) ? t.ru : t.en;
}

}  // namespace plotlet::TranslatePlotlet

// Graphics files through FrmOpenSaveGraphLayer: a chart layer saved and loaded into another map
// unchanged, the differs question for each map parameter, the form's checks and messages in
// both languages, and files that must add nothing.
#include "dialog/DialogFixture.h"

#include <fstream>

#include "graphics_io/FrmOpenSaveGraphLayer.h"
#include "host/Persistence.h"
#include "host/PropertySetFile.h"
#include "host/Renderer.h"
#include "i18n/TranslatePlotlet.h"
#include "runtime/Text.h"
#include "support/TempFolder.h"

using dialogtest::DialogTest;
using plotlet::FrmOpenSaveGraphLayer;
using runtime::Variant;

namespace {

int rowOf(const ui::ListBox& list, const std::string& text) {
    for (int row = 0; row < list.listCount(); ++row)
        if (list.list(row) == text) return row;
    return -1;
}

class GraphicsFiles : public DialogTest {
protected:
    void SetUp() override { openMapWithCharts(); }

    // Towns with charts of POP1990 and POP2000 on "Towns_charts", drawn through the dialog.
    void openMapWithCharts() {
        auto towns = dialogtest::makeTowns();
        auto renderer = std::make_shared<host::SimpleRenderer>();
        renderer->setSymbol(std::make_shared<host::SimpleMarkerSymbol>());
        towns->setRenderer(renderer);
        map()->addLayer(towns);
        map()->setMapScale(50000);
        map()->setReferenceScale(25000);
        map()->setSpatialReference(std::make_shared<host::SpatialReference>("NAD83 / North Carolina", "", 1.0, false, 32119));
        open();
        chart({1, 2});
        ASSERT_TRUE(user().chooseComboText("CmbKey", "NAME"));
        ASSERT_TRUE(user().click("CmdOK", 0));
        ASSERT_EQ(layer("Towns_charts")->container().elementCount(), 4u);
        layer("Towns_charts")->setReferenceScale(25000);
    }
    // A second map in a new application, with the command's dialog open on it.
    void openAnotherMap(double mapScale = 50000, double referenceScale = 25000, const std::string& sr = "NAD83 / North Carolina") {
        command.reset();
        app = std::make_shared<host::Application>();
        map()->addLayer(dialogtest::makeLayer("Villages", host::GeometryType::Point, {{"POP", host::FieldType::Double}}));
        map()->setMapScale(mapScale);
        map()->setReferenceScale(referenceScale);
        map()->setSpatialReference(std::make_shared<host::SpatialReference>(sr, "", 1.0, false));
        open();
    }
    host::GraphicsLayerPtr layer(const std::string& name) const { return map()->basicGraphicsLayer()->findLayerOrNull(name); }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    // The graphics form as the main dialog's buttons open it; `work` is what the user does.
    void withForm(const char* button, std::function<void(FrmOpenSaveGraphLayer&, ui::Driver&)> work) {
        bool shown = false;
        shell.shell->onModal("FrmOpenSaveGraphLayer", [&](ui::Form& form) {
            shown = true;
            ui::Driver driver(form);
            work(static_cast<FrmOpenSaveGraphLayer&>(form), driver);
        });
        ASSERT_TRUE(user().click(button));
        ASSERT_TRUE(shown);
    }
    void save(const std::string& layerName, const std::string& file) {
        withForm("CmdSaveGraphicsLayerToFile", [&](FrmOpenSaveGraphLayer& f, ui::Driver& u) {
            ASSERT_TRUE(u.clickListRow("LstGLayers", rowOf(f.LstGLayers, layerName)));
            shell.shell->chooseFile(file);
            ASSERT_TRUE(u.click("CmdFileName"));
            ASSERT_TRUE(u.click("CmdOK"));
        });
    }
    void loadNew(const std::string& layerName, const std::string& file) {
        withForm("CmdLoadGraphicsLayerFromFile", [&](FrmOpenSaveGraphLayer&, ui::Driver& u) {
            ASSERT_TRUE(u.setChecked("ChkNewGLayer", true));
            ASSERT_TRUE(u.enterText("TxtNewGLayerName", layerName));
            shell.shell->chooseFile(file);
            ASSERT_TRUE(u.click("CmdFileName"));
            ASSERT_TRUE(u.click("CmdOK"));
        });
    }
    // Each element of the layer as the map document writes it, numbered from 1 for this layer.
    static std::vector<std::string> persisted(const host::GraphicsLayerPtr& l) {
        host::PersistContext context(host::PersistPurpose::File);
        std::vector<std::string> out;
        for (const auto& e : l->container().elements()) out.push_back(host::writeObject(e, context).dump());
        return out;
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& e : shell.messages()) texts.push_back(e.text);
        return texts;
    }
    // A graphics file whose property set is `set`.
    std::string writeSet(const std::string& name, const host::PropertySet& set) const {
        host::writePropertySetFile(set, path(name));
        return path(name);
    }

    testing_support::TempFolder dir;
};

TEST_F(GraphicsFiles, ChartLayerTravelsToANewLayerOfAnotherMapUnchanged) {
    const auto original = persisted(layer("Towns_charts"));
    const std::string file = path("charts.obj");
    save("Towns_charts", file);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"OK!"}));
    EXPECT_EQ(layer("Towns_charts")->container().elementCount(), 4u);  // the layer keeps its elements

    openAnotherMap();
    shell.shell->clearTranscript();
    loadNew("Imported", file);
    // The new layer has no reference scale of its own yet: the saved one is offered (and
    // declined by default).
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{
                              "Saved data not equal of map parameters \r\nAnnotation layer ReferenceScale\r\n\r\n"
                              "Restore saved parameters?",
                              "OK!"}));
    ASSERT_NE(layer("Imported"), nullptr);
    EXPECT_EQ(layer("Imported")->associatedLayer(), nullptr);
    EXPECT_NE(map()->activeGraphicsLayer(), layer("Imported"));
    // Groups, names, positions, symbols and the attached data, element by element.
    EXPECT_EQ(persisted(layer("Imported")), original);
    EXPECT_EQ(app->document()->activeView().partialRefreshCount(), 1u);

    // Loading again adds the elements a second time.
    shell.shell->clearTranscript();
    withForm("CmdLoadGraphicsLayerFromFile", [&](FrmOpenSaveGraphLayer& f, ui::Driver& u) {
        ASSERT_TRUE(u.clickListRow("LstGLayers", rowOf(f.LstGLayers, "Imported")));
        shell.shell->chooseFile(file);
        ASSERT_TRUE(u.click("CmdFileName"));
        ASSERT_TRUE(u.click("CmdOK"));
    });
    EXPECT_EQ(layer("Imported")->container().elementCount(), 8u);
}

TEST_F(GraphicsFiles, EachDifferingParameterIsAskedAboutAndRestoredOnYes) {
    const std::string file = path("charts.obj");
    save("Towns_charts", file);
    struct Case {
        const char* caption;
        double mapScale, referenceScale;
        const char* sr;
        bool existingLayerScale;  // load into a layer whose reference scale differs
    };
    const Case cases[] = {
        {"SpatialReference", 50000, 25000, "WGS 84", false},
        {"Map scale", 50001, 25000, "NAD83 / North Carolina", false},
        {"Map ReferenceScale", 50000, 25000.5, "NAD83 / North Carolina", false},
        {"Annotation layer ReferenceScale", 50000, 25000, "NAD83 / North Carolina", true},
    };
    for (const Case& c : cases) {
        for (bool yes : {false, true}) {
            SCOPED_TRACE(std::string(c.caption) + (yes ? " yes" : " no"));
            openAnotherMap(c.mapScale, c.referenceScale, c.sr);
            map()->basicGraphicsLayer()->addLayer("Target", nullptr)->setReferenceScale(c.existingLayerScale ? 0 : 25000);
            shell.shell->clearTranscript();
            shell.shell->answerMessage(yes ? ui::mb::Yes : ui::mb::No);
            withForm("CmdLoadGraphicsLayerFromFile", [&](FrmOpenSaveGraphLayer& f, ui::Driver& u) {
                ASSERT_TRUE(u.clickListRow("LstGLayers", rowOf(f.LstGLayers, "Target")));
                shell.shell->chooseFile(file);
                ASSERT_TRUE(u.click("CmdFileName"));
                ASSERT_TRUE(u.click("CmdOK"));
            });
            const auto boxes = shell.messages();
            ASSERT_EQ(boxes.size(), 2u);
            EXPECT_EQ(boxes[0].text, "Saved data not equal of map parameters \r\n" + std::string(c.caption) +
                                         "\r\n\r\nRestore saved parameters?");
            EXPECT_EQ(boxes[0].title, "graphics load");
            EXPECT_EQ(boxes[0].buttons, ui::mb::YesNo);
            EXPECT_EQ(boxes[1].text, "OK!");
            EXPECT_EQ(layer("Target")->container().elementCount(), 4u);  // loaded either way
            const bool restoredAll = map()->spatialReference()->name() == "NAD83 / North Carolina" &&
                                     map()->mapScale() == 50000 && map()->referenceScale() == 25000 &&
                                     layer("Target")->referenceScale() == 25000;
            EXPECT_EQ(restoredAll, yes);
        }
    }
}

TEST_F(GraphicsFiles, OkIsSaidOnlyAfterASaveThatWroteTheFile) {
    save("Towns_charts", path("no such folder/charts.obj"));
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_NE(errorBoxes()[0].text.find("SaveGraphics"), std::string::npos);
    EXPECT_EQ(plainBoxes().size(), 0u);  // no "OK!"
}

TEST_F(GraphicsFiles, RefusedFilesAddNothingCreateNoLayerAndSayNoOk) {
    const std::string file = path("charts.obj");
    save("Towns_charts", file);
    std::ifstream in(file, std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), {});

    auto set = host::readPropertySetFile(file);
    auto noScale = std::make_shared<host::PropertySet>(*set);
    noScale->removeProperty("ReferenceScale");
    auto noGraphics = std::make_shared<host::PropertySet>(*set);
    noGraphics->setProperty("Graphics", Variant("not a group"));
    auto twice = std::make_shared<host::PropertySet>(*set);
    auto group = std::make_shared<host::GroupElement>();
    auto member = std::make_shared<host::TextElement>();
    group->addElement(member);
    group->addElement(member);
    twice->setProperty("Graphics", Variant(runtime::ObjectPtr(group)));
    auto badScale = std::make_shared<host::PropertySet>(*set);
    badScale->setProperty("Scale", Variant("large"));

    struct Case {
        std::string file, message;
    };
    const std::vector<Case> cases = {
        {writeSet("noscale.obj", *noScale), "No data about Map ReferenceScale"},
        {writeSet("nographics.obj", *noGraphics), "No data in the file"},
        {writeSet("twice.obj", *twice), "No data in the file"},
        {writeSet("badscale.obj", *badScale), "No data about Map scale"},
        {dir.write("truncated.obj", good.substr(0, good.size() * 2 / 3)).string(), "File " + path("truncated.obj") + " have no required parameters!"},
        {dir.write("legend.obj", "{\"format\": \"plotlet.map\", \"version\": 1}").string(), "File " + path("legend.obj") + " have no required parameters!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        shell.shell->clearTranscript();
        const double scale = map()->mapScale();
        loadNew("Refused", c.file);
        EXPECT_EQ(layer("Refused"), nullptr);
        EXPECT_EQ(map()->mapScale(), scale);
        const auto boxes = plainBoxes();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text, c.message);
        EXPECT_EQ(boxes.back().title, "graphics load");
        for (const auto& b : boxes) EXPECT_NE(b.text, "OK!");
    }
}

TEST_F(GraphicsFiles, TheFormChecksItsInputBeforeWorking) {
    // Save without a layer, then without a file.
    withForm("CmdSaveGraphicsLayerToFile", [&](FrmOpenSaveGraphLayer& f, ui::Driver& u) {
        EXPECT_EQ(f.CmdOK.caption(), "Save");
        EXPECT_FALSE(f.ChkNewGLayer.visible());
        EXPECT_FALSE(f.TxtFileName.enabled());
        ASSERT_TRUE(u.click("CmdOK"));
        ASSERT_TRUE(u.clickListRow("LstGLayers", 0));
        ASSERT_TRUE(u.click("CmdOK"));
        // A cancelled browse leaves the file box empty rather than naming the layer.
        shell.shell->cancelFileDialog();
        ASSERT_TRUE(u.click("CmdFileName"));
        EXPECT_EQ(f.TxtFileName.text(), "");
    });
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Layer for save not selected", "No file Name"}));

    // An existing file is replaced only on Yes.
    const std::string file = dir.write("old.obj", "old").string();
    shell.shell->clearTranscript();
    shell.shell->answerMessage(ui::mb::No);
    save("Towns_charts", file);
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, "File " + file + " exist, replace?");
    EXPECT_EQ(shell.messages()[0].title, "Save");
    EXPECT_EQ(std::filesystem::file_size(file), 3u);

    // Load: no layer, no new name, a name that is taken, a missing file.
    shell.shell->clearTranscript();
    withForm("CmdLoadGraphicsLayerFromFile", [&](FrmOpenSaveGraphLayer& f, ui::Driver& u) {
        EXPECT_EQ(f.CmdOK.caption(), "Load");
        EXPECT_TRUE(f.ChkNewGLayer.visible());
        ASSERT_TRUE(u.click("CmdOK"));
        ASSERT_TRUE(u.setChecked("ChkNewGLayer", true));
        EXPECT_FALSE(f.LstGLayers.enabled());
        EXPECT_TRUE(f.TxtNewGLayerName.enabled());
        ASSERT_TRUE(u.click("CmdOK"));
        ASSERT_TRUE(u.enterText("TxtNewGLayerName", "Towns_charts"));
        f.TxtFileName.setText(path("missing.obj"));
        ASSERT_TRUE(u.click("CmdOK"));
    });
    // The taken name is warned about when the box is left.
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"No layer for load", "No new layer name",
                                                    "Layer exist, change name or select from list",
                                                    "File " + path("missing.obj") + "not exist"}));
    EXPECT_EQ(shell.messages()[2].title, "new layer");
    EXPECT_EQ(shell.messages()[3].buttons, ui::mb::OKCancel);
    EXPECT_EQ(shell.messages()[3].title, "Load");
}

TEST_F(GraphicsFiles, TheFormSpeaksTheMainDialogsLanguage) {
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    withForm("CmdLoadGraphicsLayerFromFile", [&](FrmOpenSaveGraphLayer& f, ui::Driver& u) {
        EXPECT_EQ(f.caption(), "Графические слои (сохранение-загрузка)");
        EXPECT_EQ(f.CmdOK.caption(), "Загрузить");
        EXPECT_EQ(f.CmdCancel.caption(), "Отмена");
        ASSERT_TRUE(u.click("CmdOK"));
    });
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Не выбран слой для загрузки"}));
}

TEST_F(GraphicsFiles, TheLayoutHoldsEveryCaptionInEitherLanguage) {
    for (const char* language : {"English", "Русский"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(user().chooseComboText("CmbLanguage", language));
        for (const char* button : {"CmdSaveGraphicsLayerToFile", "CmdLoadGraphicsLayerFromFile"}) {
            withForm(button, [&](FrmOpenSaveGraphLayer& f, ui::Driver&) {
                EXPECT_EQ(ui::layoutReport(ui::checkLayout(f)), "");
                // About 7 pixels a character, and room for the box of a check box.
                for (ui::Control* c : f.controls()) {
                    if (!c->hasCaption()) continue;
                    const int needed = 7 * static_cast<int>(runtime::characterCount(c->caption())) +
                                       (c->kind() == ui::ControlKind::CheckBox ? 20 : 0);
                    EXPECT_GE(c->rect().width, needed) << c->name() << " \"" << c->caption() << "\"";
                }
            });
        }
    }
}

TEST(GraphicsFileMessages, EveryMessageInBothLanguages) {
    const std::pair<const char*, const char*> expected[] = {
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
        {"Layer exist, change name or select from list", "Слой с таким именем существует, измените название или выделите из списка"},
        {"new layer", "Новый слой"},
        {"Cancel", "Отмена"},
    };
    for (int n = 1; n <= 28; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(plotlet::TranslatePlotlet::OpenSaveGraphLayerMessage(n, "English"), expected[n - 1].first);
        EXPECT_EQ(plotlet::TranslatePlotlet::OpenSaveGraphLayerMessage(n, "Русский"), expected[n - 1].second);
    }
    EXPECT_THROW(plotlet::TranslatePlotlet::OpenSaveGraphLayerMessage(29, "English"), runtime::Error);
}

}  // namespace

// Document paths and property-set files.
#include <filesystem>
#include <fstream>

#include "EngineFixture.h"
#include "engine/DocumentPaths.h"
#include "engine/PropertySetFiles.h"
#include "support/TempFolder.h"

using namespace plotlet;
using engine_test::EngineTest;

namespace {
std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

TEST(RemoveFileFromPath, KeepsTheFolderPart) {
    struct Case {
        const char* path;
        const char* folder;
    };
    const Case cases[] = {
        {R"(C:\maps\city.mxd)", R"(C:\maps)"},
        {R"(C:\city.mxd)", "C:"},
        {"city.mxd", ""},
        {R"(\city.mxd)", ""},
        {"/home/ann/maps/city.pmx", "/home/ann/maps"},
        {"/city.pmx", ""},
        {"maps/Карта области.pmx", "maps"},
        {R"("C:\maps\city.mxd")", R"("C:\maps")"},
        {R"('C:\my maps \city.mxd'  )", R"('C:\my maps')"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(RemoveFileFromPath(c.path), c.folder) << c.path;
}

TEST_F(EngineTest, GetDocumentPathReadsTheTemplateList) {
    EXPECT_EQ(GetDocumentPath(false), "Normal.mxt");  // a document never saved
    EXPECT_EQ(GetDocumentPath(true), "");
    document->setPath("/data/nc/nc.pmx");
    EXPECT_EQ(GetDocumentPath(false), "/data/nc/nc.pmx");
    EXPECT_EQ(GetDocumentPath(true), "/data/nc");
    ClearEngineContext();
    EXPECT_EQ(GetDocumentPath(true), "");
    EXPECT_TRUE(shell.messages().empty());
}

TEST(PropertySetFiles, RoundTripAndRefusals) {
    testing_support::HeadlessScope shell;
    testing_support::TempFolder folder;
    auto set = std::make_shared<host::PropertySet>();
    set->setProperty("TxtMaxValue", "120");
    auto nested = std::make_shared<host::PropertySet>();
    nested->setProperty("Field0", "BIR74");
    set->setProperty("SymbolsPropertis", runtime::Variant(nested));
    const std::string path = (folder / "легенда.leg").string();
    SavePropertySetToFile(set, path);

    host::PropertySetPtr back = LoadPropertySetFromFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->getProperty("TxtMaxValue"), runtime::Variant("120"));
    EXPECT_EQ(back->getProperty("SymbolsPropertis").as<host::PropertySet>()->getProperty("Field0"),
              runtime::Variant("BIR74"));
    EXPECT_TRUE(shell.messages().empty());

    // Failures of writing go to the caller and leave the old file as it was.
    const std::string before = readFile(path);
    EXPECT_THROW(SavePropertySetToFile(set, (folder / "missing" / "x.leg").string()), runtime::Error);
    EXPECT_THROW(SavePropertySetToFile(nullptr, path), runtime::Error);
    EXPECT_EQ(readFile(path), before);

    // Reading reports and gives nothing.
    EXPECT_EQ(LoadPropertySetFromFile((folder / "none.par").string()), nullptr);
    EXPECT_EQ(LoadPropertySetFromFile(folder.write("bad.par", "{\"format\": \"plotlet.propertyset\"").string()), nullptr);
    ASSERT_EQ(shell.messages().size(), 2u);
    for (const auto& box : shell.messages()) {
        EXPECT_NE(box.text.find("\tLoadPropertySetFromFile Line : 1"), std::string::npos);
    }
    EXPECT_NE(shell.messages()[1].text.find("bad.par"), std::string::npos);
}

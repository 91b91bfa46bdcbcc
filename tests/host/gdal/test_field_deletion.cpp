// Deleting several fields of a data file is one change: every other field keeps its values
// (as ogrinfo shows them), a failure part way changes nothing, and a process killed at any
// moment of the delete leaves either the old or the new file, both readable.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "host/Error.h"
#include "host/gdal/GdalFeatureClass.h"
#include "host/gdal/GdalFixtures.h"
#include "runtime/Text.h"
#include "support/RuntimeErrors.h"

using namespace host;
using namespace host::gdal;
namespace fs = std::filesystem;

namespace {

using testing_support::descriptionOf;

// What `ogrinfo -ro -al -q` prints (with `summary`, -so: without the features), and whether it
// could read the file.
struct OgrInfo {
    int status = -1;
    std::vector<std::string> lines;
};

OgrInfo ogrinfo(const std::string& path, bool summary = false) {
    OgrInfo info;
    const std::string command = std::string("ogrinfo -ro -al -q ") + (summary ? "-so '" : "'") + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return info;
    std::string text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    info.status = ::pclose(pipe);
    for (const std::string& line : runtime::split(text, "\n"))
        if (!line.empty()) info.lines.push_back(line);
    return info;
}

// The lines that do not describe one of the fields (its definition "NAME: ..." or a value
// "  NAME (...) = ...").
std::vector<std::string> without(const std::vector<std::string>& lines, const std::vector<std::string>& fields) {
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        const std::string t = runtime::trim(line);
        bool about = false;
        for (const std::string& f : fields) about = about || t.rfind(f + ": ", 0) == 0 || t.rfind(f + " (", 0) == 0;
        if (!about) kept.push_back(line);
    }
    return kept;
}

std::vector<std::string> attributeNames(const FeatureClass& fc) {
    std::vector<std::string> names;
    for (int i = 2; i < fc.fieldCount(); ++i) names.push_back(fc.field(i).name);
    return names;
}

class FieldDeletion : public ::testing::Test {
protected:
    void SetUp() override { install(); }
    fixtures::TempDir dir;
};

}  // namespace

TEST_F(FieldDeletion, EveryOtherFieldKeepsItsValuesInEachWritableFormat) {
    // A Windows-1251 shapefile with Cyrillic field names of up to 10 bytes in that code page.
    const std::string shp = dir.file("города.shp");
    fixtures::makeLayer(shp, "ESRI Shapefile", "города", wkbPoint, 4326,
                        {{"Город", OFTString, OFSTNone, 40}, {"Население", OFTInteger}, {"Площадь", OFTReal}, {"Код", OFTInteger}},
                        {{"POINT (37.6 55.7)", {"Москва", "12600000", "2561.5", "1"}},
                         {"POINT (30.3 59.9)", {"Санкт-Петербург", "5380000", "1439", "2"}},
                         {"POINT (44.0 56.3)", {"Нижний Новгород", "", "410.7", "3"}}},
                        {"ENCODING=CP1251"});
    const fs::path dbf = fs::path(shp).replace_extension(".dbf"), cpg = fs::path(shp).replace_extension(".cpg");
    const std::string cpgBefore = fixtures::readBytes(cpg);
    const std::string gpkg = dir.file("data.gpkg");
    fixtures::makeLayer(gpkg, "GPKG", "cities", wkbPoint, 4326,
                        {{"keep", OFTInteger}, {"drop1", OFTReal}, {"name", OFTString}, {"drop2", OFTInteger}},
                        {{"POINT (1 2)", {"1", "1.5", "один", "7"}}, {"POINT (3 4)", {"2", "", "два", "8"}}});
    const std::string json = dir.file("points.geojson");
    fixtures::writeText(json, R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"a":1,"b":"x","c":2.5,"d":null},"geometry":{"type":"Point","coordinates":[1,2]}},
        {"type":"Feature","properties":{"a":2,"b":"y","c":3.5,"d":4},"geometry":{"type":"Point","coordinates":[3,4]}}]})");

    struct Case {
        std::string path;
        std::vector<std::string> drop, after;
    };
    for (const Case& c : {Case{shp, {"Площадь", "Население"}, {"Город", "Код"}}, Case{gpkg, {"drop1", "drop2"}, {"keep", "name"}},
                          Case{json, {"b", "d"}, {"a", "c"}}}) {
        SCOPED_TRACE(c.path);
        const OgrInfo before = ogrinfo(c.path);
        ASSERT_EQ(before.status, 0);
        auto fc = openFeatureClass(c.path);
        fc->deleteFields(c.drop);
        EXPECT_EQ(attributeNames(*fc), c.after);
        const OgrInfo after = ogrinfo(c.path);
        ASSERT_EQ(after.status, 0);
        EXPECT_EQ(after.lines, without(before.lines, c.drop));
        EXPECT_LT(after.lines.size(), before.lines.size());
        EXPECT_EQ(attributeNames(*openFeatureClass(c.path)), c.after);
    }

    // A link to the data is followed: the file changes, the link stays a link.
    const std::string target = dir.file("target.geojson"), link = dir.file("link.geojson");
    fs::copy_file(json, target);
    fs::create_symlink(target, link);
    openFeatureClass(link)->deleteFields({"c"});
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(attributeNames(*openFeatureClass(target)), std::vector<std::string>{"a"});

    // The table stays Windows-1251: its code page file, its language driver id, and the field
    // names as single bytes ("Город" is 5 bytes there, 10 in UTF-8).
    EXPECT_EQ(fixtures::readBytes(cpg), cpgBefore);
    const std::string header = fixtures::readBytes(dbf);
    ASSERT_GT(header.size(), 64u);
    EXPECT_EQ(header.substr(32, 6), std::string("\xC3\xEE\xF0\xEE\xE4\0", 6));
    EXPECT_EQ(header.substr(64, 4), std::string("\xCA\xEE\xE4\0", 4));
    auto again = openFeatureClass(shp);
    EXPECT_EQ(again->value(1, again->findField("Город")).toString(), "Санкт-Петербург");
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".plotlet-"), std::string::npos) << entry.path();
}

TEST_F(FieldDeletion, AFailurePartWayChangesNothing) {
    // SQLite cannot drop a column a view reads: the second field fails after the first is gone.
    const std::string gpkg = dir.file("view.gpkg");
    fixtures::makeLayer(gpkg, "GPKG", "t", wkbPoint, 4326, {{"a", OFTInteger}, {"b", OFTInteger}, {"c", OFTInteger}},
                        {{"POINT (1 2)", {"1", "2", "3"}}});
    {
        ErrorCapture quiet;
        DatasetHandle ds(GDALDataset::Open(gpkg.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
        ds->ExecuteSQL("CREATE VIEW v AS SELECT fid, b FROM t", nullptr, nullptr);
    }
    const OgrInfo before = ogrinfo(gpkg);
    auto fc = openFeatureClass(gpkg, "t");
    const std::string message = descriptionOf([&] { fc->deleteFields({"a", "b"}); });
    EXPECT_NE(message.find(gpkg), std::string::npos) << message;
    EXPECT_EQ(attributeNames(*fc), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(attributeNames(*openFeatureClass(gpkg, "t")), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(ogrinfo(gpkg).lines, before.lines);

    // Names are all checked before anything changes.
    EXPECT_NE(descriptionOf([&] { fc->deleteFields({"c", "nope"}); }).find("no field"), std::string::npos);
    EXPECT_NE(descriptionOf([&] { fc->deleteFields({"c", "fid"}); }).find("required"), std::string::npos);
    EXPECT_NE(descriptionOf([&] { fc->deleteFields({"c", "C"}); }).find("twice"), std::string::npos);
    EXPECT_EQ(attributeNames(*openFeatureClass(gpkg, "t")), (std::vector<std::string>{"a", "b", "c"}));
}

// A child process deletes two fields; the parent kills it at a random moment of the delete.
// Whatever the moment, the file reads as the old one or the new one, every row there.
TEST_F(FieldDeletion, AKilledDeleteLeavesTheOldOrTheNewFile) {
    constexpr int Rows = 5000, Rounds = 6;
    std::vector<fixtures::Row> rows;
    for (int i = 0; i < Rows; ++i)
        rows.push_back({"POINT (" + std::to_string(i % 360 - 180) + " " + std::to_string(i % 180 - 90) + ")",
                        {std::to_string(i), std::to_string(i * 0.5), "t" + std::to_string(i), std::to_string(-i)}});
    const std::vector<fixtures::FieldDef> fields = {{"a", OFTInteger}, {"b", OFTReal}, {"c", OFTString, OFSTNone, 12}, {"d", OFTInteger}};
    const std::vector<std::string> all = {"a", "b", "c", "d"}, after = {"a", "c"};
    std::mt19937 random(20261208);

    for (const std::string name : {"kill.gpkg", "kill.shp", "kill.geojson"}) {
        SCOPED_TRACE(name);
        const fs::path master = dir.path() / "master" / name;
        fs::create_directories(master.parent_path());
        const char* driver = name.ends_with(".gpkg") ? "GPKG" : name.ends_with(".shp") ? "ESRI Shapefile" : "GeoJSON";
        fixtures::makeLayer(master.string(), driver, "kill", wkbPoint, 4326, fields, rows);

        // Runs one delete in a child; `killAfter` < 0 lets it finish. The time the delete took.
        auto run = [&](const fs::path& work, double killAfter) {
            int ready[2];
            EXPECT_EQ(::pipe(ready), 0);
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(ready[0]);
                try {
                    auto fc = openFeatureClass(work.string());
                    (void)!::write(ready[1], "r", 1);
                    fc->deleteFields({"b", "d"});
                    ::_exit(0);
                } catch (...) {
                    ::_exit(3);
                }
            }
            ::close(ready[1]);
            char byte = 0;
            (void)!::read(ready[0], &byte, 1);
            ::close(ready[0]);
            const auto start = std::chrono::steady_clock::now();
            if (killAfter >= 0) {
                std::this_thread::sleep_for(std::chrono::duration<double>(killAfter));
                ::kill(child, SIGKILL);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            if (killAfter < 0) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            }
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        auto fresh = [&](int round) {
            const fs::path folder = dir.path() / ("round" + std::to_string(round)) / "";
            fs::remove_all(folder);
            fs::create_directories(folder);
            for (const auto& entry : fs::directory_iterator(master.parent_path()))
                if (entry.path().stem() == master.stem()) fs::copy_file(entry.path(), folder / entry.path().filename());
            return folder / name;
        };

        const double duration = run(fresh(0), -1);
        EXPECT_EQ(attributeNames(*openFeatureClass(fresh(0).string())), all);
        std::uniform_real_distribution<double> moment(0.0, duration * 1.1);
        int oldSeen = 0, newSeen = 0;
        for (int round = 1; round <= Rounds; ++round) {
            const fs::path work = fresh(round);
            run(work, moment(random));
            const OgrInfo info = ogrinfo(work.string(), true);
            EXPECT_EQ(info.status, 0) << round << ": " << (info.lines.empty() ? "" : info.lines.front());
            auto fc = openFeatureClass(work.string());
            const auto names = attributeNames(*fc);
            EXPECT_TRUE(names == all || names == after) << round;
            oldSeen += names == all;
            newSeen += names == after;
            EXPECT_EQ(fc->featureCount(), static_cast<std::size_t>(Rows)) << round;
            EXPECT_EQ(fc->value(Rows - 1, fc->findField("c")).toString(), "t" + std::to_string(Rows - 1)) << round;
        }
        // The working folders that killed deletes left go with the next delete beside the file.
        int abandoned = 0;
        auto leftovers = [](const fs::path& folder) {
            int n = 0;
            for (const auto& entry : fs::directory_iterator(folder))
                n += entry.path().filename().string().find(".plotlet-") != std::string::npos;
            return n;
        };
        for (int round = 1; round <= Rounds; ++round) {
            const fs::path work = dir.path() / ("round" + std::to_string(round)) / name;
            if (leftovers(work.parent_path()) == 0) continue;
            ++abandoned;
            auto fc = openFeatureClass(work.string());
            fc->deleteFields({"a"});
            EXPECT_EQ(leftovers(work.parent_path()), 0) << round;
        }
        RecordProperty(name + " delete seconds", std::to_string(duration));
        std::cerr << name << ": delete " << duration << " s, killed old " << oldSeen << ", new " << newSeen
                  << ", working folders left " << abandoned << '\n';
    }
}

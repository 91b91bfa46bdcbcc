// Refused files end the command with an input error naming the file, never with a crash or an
// internal error.
#include <gtest/gtest.h>

#include "support/RunCli.h"
#include "support/TempFolder.h"

using testing_support::runCli;

TEST(CliHostileFiles, CyclesAndImpossibleDatesAreInputErrors) {
    testing_support::TempFolder folder;
    const std::string head = R"({"format":"plotlet.propertyset","version":1,"propertySet":{"$class":"PropertySet","$id":1,"properties":[)";
    const std::vector<std::pair<std::string, std::string>> files{
        {"self.leg", head + R"(["Me",["o",{"$ref":1}]]]}})"},
        {"loop.obj", head + R"(["G",["o",{"$class":"GroupElement","$id":2,"elements":[{"$ref":2}]}]]]}})"},
        {"when.par", head + R"(["When",["t",1e300]]]}})"},
    };
    for (const auto& [name, text] : files) {
        const std::string path = folder.write(name, text).string();
        for (const bool json : {false, true}) {
            auto args = std::vector<std::string>{"inspect", path};
            if (json) args.push_back("--json");
            const auto r = runCli(args);
            EXPECT_EQ(r.code, 2) << name << ": " << r.err;
            EXPECT_NE(r.err.find("File " + path + ": "), std::string::npos) << r.err;
            EXPECT_TRUE(r.out.empty()) << r.out;
        }
    }
}

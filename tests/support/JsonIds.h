#pragma once
// Written documents compared by what their ids mean: which objects are shared. An id that no
// reference names is dropped (an object written once, whether numbered or not), the others are
// numbered in the order of a walk together with the references to them.
#include <functional>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

namespace fixtures {

inline nlohmann::json withSharingOnly(nlohmann::json doc) {
    std::set<long> referenced;
    std::function<void(const nlohmann::json&)> collect = [&](const nlohmann::json& j) {
        if (j.is_object() && j.contains("$ref") && j["$ref"].is_number_integer()) referenced.insert(j["$ref"].get<long>());
        if (j.is_structured())
            for (const auto& item : j) collect(item);
    };
    std::map<long, long> renumbered;
    std::function<void(nlohmann::json&)> number = [&](nlohmann::json& j) {
        if (j.is_object() && j.contains("$id") && j["$id"].is_number_integer()) {
            const long id = j["$id"].get<long>();
            if (referenced.count(id)) renumbered.emplace(id, static_cast<long>(renumbered.size()) + 1);
            else j.erase("$id");
        }
        if (j.is_structured())
            for (auto& item : j) number(item);
    };
    std::function<void(nlohmann::json&)> rewrite = [&](nlohmann::json& j) {
        for (const char* key : {"$id", "$ref"})
            if (j.is_object() && j.contains(key) && j[key].is_number_integer()) j[key] = renumbered.at(j[key].get<long>());
        if (j.is_structured())
            for (auto& item : j) rewrite(item);
    };
    collect(doc);
    number(doc);
    rewrite(doc);
    return doc;
}

}  // namespace fixtures

#pragma once
// The file readers as the fuzz targets, the corrupt-file test and the regression replay feed
// them: bytes in, and either a document or a refusal naming the file out. Anything else (an
// exception of another type, a message that does not name the file, an exit code 4 from the
// command line, a crash or a hang) is a fault, and feed() aborts on the first three so that
// libFuzzer keeps the input.
#include <string>
#include <string_view>
#include <vector>

namespace plotlet::fuzz {

enum class Reader {
    MapDocument,  // a .pmx map document, read and then written back, measured and selected
    PropertySet,  // a property-set file (.leg, .par, .obj) through `plotlet inspect --json`
    LayerFile,    // a .lyr layer file
    DataSource,   // a GIS data file opened as a map; the first byte picks its format
};

const std::vector<Reader>& allReaders();
// The target's name: map_document, property_set, layer_file, data_source.
const char* readerName(Reader reader);

struct Outcome {
    bool read = false;     // the reader accepted the bytes
    std::string refusal;  // otherwise its message
};

// Feeds the bytes to the reader through a file in a private temporary folder. `fileName` is the
// name the file gets there (and so the name messages must give).
Outcome feed(Reader reader, std::string_view bytes, const std::string& fileName = {});

// Small files of each kind as the project's own writers write them (the seed corpora).
std::vector<std::pair<std::string, std::string>> seeds(Reader reader);

}  // namespace plotlet::fuzz

#include "host/gdal/FieldDeletion.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/Error.h"
#include "host/gdal/Dataset.h"
#include "host/gdal/Handles.h"
#include "host/gdal/Policy.h"

namespace host::gdal {
namespace fs = std::filesystem;

namespace {

constexpr const char* source = "Plotlet.DataSource";

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    raiseHost(code::SchemaRefused, source, "File " + path + ": " + what);
}

// Hidden folders beside a file, named after it, for the copies being changed.
std::string folderPrefix(const fs::path& target) { return "." + target.stem().string() + ".plotlet-"; }

// A working folder, locked while it is in use: a process killed during a delete leaves its
// folder behind unlocked, and the next delete beside the same file removes it.
class TemporaryFolder {
public:
    TemporaryFolder(const fs::path& target, const std::string& reportPath) {
        std::string tmpl = (target.parent_path() / (folderPrefix(target) + "XXXXXX")).string();
        if (::mkdtemp(tmpl.data()) == nullptr) fail(reportPath, "cannot write in its folder");
        path_ = tmpl;
        fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX | LOCK_NB);
    }
    ~TemporaryFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
        if (fd_ >= 0) ::close(fd_);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return path_; }

    // Removes the working folders of earlier deletes beside `target` whose process is gone.
    static void removeAbandoned(const fs::path& target) {
        const std::string prefix = folderPrefix(target);
        std::error_code ec;
        for (const fs::directory_entry& entry : fs::directory_iterator(target.parent_path(), ec)) {
            const std::string name = entry.path().filename().string();
            if (name.size() != prefix.size() + 6 || name.rfind(prefix, 0) != 0 || !entry.is_directory(ec)) continue;
            const int fd = ::open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0) continue;
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) fs::remove_all(entry.path(), ec);
            ::close(fd);
        }
    }

private:
    fs::path path_;
    int fd_ = -1;
};

fs::path sibling(const fs::path& file, const char* lowerExt, const char* upperExt) {
    fs::path p = file;
    p.replace_extension(lowerExt);
    std::error_code ec;
    if (fs::exists(p, ec)) return p;
    p.replace_extension(upperExt);
    if (fs::exists(p, ec)) return p;
    return {};
}

// Writes the file's (or folder's) data to the disk, so that a rename which survives a crash
// never names a file whose contents did not.
bool syncToDisk(const fs::path& path, bool folder) {
    const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Deletes the fields from the layer of the open data set, as one transaction where the driver
// has them. `layerName` empty: the only layer (a copy named after its temporary file).
void deleteInDataset(const std::string& openPath, const std::string& driver, const std::string& layerName,
                     const std::vector<std::string>& fieldNames, const std::string& reportPath) {
    ErrorCapture capture;
    {
        DatasetHandle ds = openDataset(openPath, driver, true, capture);
        OGRLayer* layer = layerName.empty() ? ds->GetLayer(0) : findLayer(*ds, reportPath, layerName);
        if (!layer) fail(reportPath, "holds no layer");
        if (!layer->TestCapability(OLCDeleteField)) fail(reportPath, "GDAL cannot delete fields of this " + driver + " layer");
        for (const std::string& name : fieldNames)
            if (layer->GetLayerDefn()->GetFieldIndex(name.c_str()) < 0) fail(reportPath, "has no field \"" + name + "\" (any more)");

        const bool transaction = ds->TestCapability(ODsCTransactions) && ds->StartTransaction(FALSE) == OGRERR_NONE;
        try {
            for (const std::string& name : fieldNames) {
                const int index = layer->GetLayerDefn()->GetFieldIndex(name.c_str());
                if (layer->DeleteField(index) != OGRERR_NONE)
                    fail(reportPath, "the field \"" + name + "\" cannot be deleted (" + capture.failureText() + ")");
            }
            if (transaction && ds->CommitTransaction() != OGRERR_NONE)
                fail(reportPath, "the change could not be written (" + capture.failureText() + ")");
        } catch (...) {
            if (transaction) ds->RollbackTransaction();
            throw;
        }
    }  // closing writes what the driver still holds
    if (capture.failed()) fail(reportPath, "the change could not be written (" + capture.failureText() + ")");
}

void rewriteBeside(const DataSource& ds, const std::vector<std::string>& fieldNames) {
    // Shapefile: only the .dbf changes, and GDAL reads a lone .dbf as a table. GeoJSON and
    // GeoPackage: the whole file. A GeoPackage changed in place would be as safe for SQLite, but
    // a process stopped during the change leaves a hot journal beside it, and every reader that
    // opens it read-only (ogrinfo -ro, this host) then fails until someone opens it for writing.
    const bool shapefile = ds.driver == shapefileDriver;
    fs::path original = shapefile ? sibling(ds.path, ".dbf", ".DBF") : fs::path(ds.path);
    // A link is followed: the file it names is the one replaced, and the link stays.
    std::error_code linked;
    if (fs::path real = fs::canonical(original, linked); !linked) original = real;
    if (ds.driver == geoPackageDriver) {
        // Changes not yet checkpointed into the file, or a change cut short, live beside it: a
        // copy of the file alone would lose or break them.
        for (const char* suffix : {"-wal", "-journal"}) {
            std::error_code ec;
            if (fs::exists(original.string() + suffix, ec))
                fail(ds.path, std::string("is open in another program or was not closed cleanly (it has a ") + suffix +
                                  " file); open and close it in a GIS program first");
        }
    }
    TemporaryFolder::removeAbandoned(original);
    const TemporaryFolder folder(original, ds.path);
    const fs::path temp = folder.path() / original.filename();
    std::error_code ec;
    fs::copy_file(original, temp, ec);
    if (ec) fail(ds.path, "cannot copy " + original.string() + " (" + ec.message() + ")");
    if (shapefile) {
        // The code page goes with the copy, so GDAL reads and writes it as the original is.
        if (const fs::path cpg = sibling(ds.path, ".cpg", ".CPG"); !cpg.empty()) {
            fs::copy_file(cpg, fs::path(temp).replace_extension(cpg.extension()), ec);
            if (ec) fail(ds.path, "cannot copy " + cpg.string() + " (" + ec.message() + ")");
        }
    }
    // A shapefile's or GeoJSON file's only layer is named after the file; a GeoPackage may hold several.
    deleteInDataset(temp.string(), ds.driver, ds.driver == geoPackageDriver ? ds.layerName : std::string(), fieldNames,
                    ds.path);

    struct stat st {};
    if (::stat(original.c_str(), &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
    if (!syncToDisk(temp, false)) fail(ds.path, "the changed copy cannot be written to the disk");
    fs::rename(temp, original, ec);
    if (ec) fail(ds.path, "cannot replace " + original.string() + " (" + ec.message() + ")");
    syncToDisk(original.parent_path(), true);  // the rename is done; a failure here only weakens it
}

}  // namespace

bool canDeleteSourceFields(const DataSource& ds, std::string& whyNot) {
    if (ds.path.empty()) return true;
    if (ds.driver == csvDriver) {
        whyNot = "Plotlet does not rewrite CSV files (the other columns would be re-quoted and re-formatted)";
        return false;
    }
    if (ds.driver != shapefileDriver && ds.driver != geoPackageDriver && ds.driver != geoJsonDriver) {
        whyNot = "Plotlet does not change " + ds.driver + " data";
        return false;
    }
    fs::path file = ds.path;
    if (ds.driver == shapefileDriver) {
        file = sibling(file, ".dbf", ".DBF");
        if (file.empty()) {
            whyNot = "the shapefile has no .dbf table";
            return false;
        }
    }
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        whyNot = "the file cannot be found any more";
        return false;
    }
    if ((st.st_mode & 0222) == 0) {
        whyNot = "the file is read-only";
        return false;
    }
    if (::access(file.c_str(), W_OK) != 0 || ::access(file.parent_path().c_str(), W_OK) != 0) {
        whyNot = "the file or its folder cannot be written";
        return false;
    }
    return true;
}

void deleteSourceFields(const DataSource& ds, const std::vector<std::string>& sourceFieldNames) {
    if (ds.path.empty() || sourceFieldNames.empty()) return;
    std::string whyNot;
    if (!canDeleteSourceFields(ds, whyNot)) {
        std::string names;
        for (const std::string& n : sourceFieldNames) names += (names.empty() ? "\"" : ", \"") + n + "\"";
        fail(ds.path, (sourceFieldNames.size() == 1 ? "the field " : "the fields ") + names + " cannot be deleted: " + whyNot);
    }
    rewriteBeside(ds, sourceFieldNames);
}

}  // namespace host::gdal

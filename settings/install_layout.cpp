#include "settings/install_layout.h"

#include <filesystem>

namespace earloop {

std::vector<std::string> ShippedFolders(const std::string& programFolder, ShippedFiles kind) {
    if (programFolder.empty()) return {programFolder};
    const char* installed = kind == ShippedFiles::PictureModules ? kInstalledModulesFromProgram : kInstalledHelpFromProgram;
    // The program's path is already free of links (it is read from the
    // system), so ".." can be resolved by the text alone.
    return {programFolder, std::filesystem::path(programFolder + installed).lexically_normal().string()};
}

bool RunsFromInstall(FileSystem& fs, const std::string& programFolder) {
    const std::vector<std::string> folders = ShippedFolders(programFolder, ShippedFiles::Help);
    return folders.size() > 1 && fs.Exists(folders.back());
}

std::string ShippedFolderHolding(FileSystem& fs, const std::string& programFolder, ShippedFiles kind,
                                 const std::string& fileName) {
    for (const std::string& folder : ShippedFolders(programFolder, kind))
        if (fs.Exists(folder + fileName)) return folder;
    return programFolder;
}

}  // namespace earloop

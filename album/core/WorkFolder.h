#pragma once
// The album program's work folder: "__GM____" and a unique ending in the
// user's temporary folder, made fresh for each run so that two runs never
// share one, and removed with everything in it when the run ends.

#include <string>

namespace album {

class WorkFolder {
public:
    // Creates the folder below `parent` (the temporary folder by default).
    // Throws AlbumError ("フォルダ %s を作成できません。").
    explicit WorkFolder(const std::string& parent = {});
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::string& path() const { return path_; }

    // A fresh, empty folder inside this one, for a task of its own.
    std::string makeSubfolder(const std::string& prefix) const;

private:
    std::string path_;
};

} // namespace album

// A small host of libCVCLIB for the benchmarks: each command is one whole
// process doing one thing through the authoring interface, as an authoring
// program would.
//
//   cvclib-driver load FILE                    load a GuidePost; prints its task and file counts
//   cvclib-driver resave FILE OUT              load and save it again (to check the load)
//   cvclib-driver document OUT TASKS SOURCES FILES
//                                              the large test document
//   cvclib-driver archive FOLDER OUT           every file of FOLDER attached, received into "out"
//   cvclib-driver http HOST PORT FOLDER LIST OUT
//                                              a GuidePost naming the files of LIST in FOLDER on HOST:PORT
//   cvclib-driver extract ARCHIVE FOLDER       unpack an archive's attachments into FOLDER
//
// Texts cross the interface as code page 932; this program's own texts are
// UTF-8 and are converted with iconv.

#include "guidepost/cvclib/Cvclib.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Item kinds, data identifiers and codes of the interface.
enum Kind { GuidePost = 1, Task = 2, Source = 3, FileList = 4, File = 5, Attach = 6 };
enum Id {
    Name = 1011, Time = 1012, Location = 1101, AppendTask = 1102, DestinationType = 1201, Folder = 1202,
    Update = 1205, AppendSource = 1207, AppendAttach = 1208, Protocol = 1301, Server = 1302, Port = 1305,
    AppendFileList = 1306, RemoteFolder = 1401, LocalFolder = 1402, Mode = 1403, AppendFile = 1404,
    LocalName = 1501, RemoteName = 1502, BrowseId = 1503, AttachPath = 1602, AttachTime = 1603, AttachSize = 1604,
    Creator = 1701, Comment = 1702,
};
constexpr int locationLocal = 111, destinationSave = 121;
constexpr int protocolHttp = 132, protocolFtp = 131, protocolAttach = 133;
constexpr int modeCodes[] = {153, 152, 151};      // auto, ascii, binary
constexpr int updateCodes[] = {161, 162, 163, 164};
// A reader accepts at most 512 attachments a task.
constexpr int attachmentsPerTask = 500;

CvclibHandle handle = nullptr;

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "cvclib-driver: %s failed: %.256s\n", what, cvclibLastError);
    std::exit(1);
}

std::string cp932(const std::string& utf8)
{
    static iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        fail("iconv_open");
    std::string out(utf8.size() * 2 + 1, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    char* o = out.data();
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1))
        fail("iconv");
    out.resize(out.size() - outLeft);
    return out;
}

void set(int item, int id, const std::string& utf8)
{
    if (CvclibSetDataValue(handle, item, id, cp932(utf8).c_str()) != 1)
        fail("CvclibSetDataValue");
}

void set(int item, int id, int value)
{
    if (CvclibSetDataNum(handle, item, id, value) != 1)
        fail("CvclibSetDataNum");
}

int newItem(int kind)
{
    const int id = CvclibNewItem(handle, kind);
    if (id < 0)
        fail("CvclibNewItem");
    return id;
}

int newGuidePost(const char* name)
{
    const int gp = newItem(GuidePost);
    set(gp, Name, name);
    set(gp, Creator, "計測係");
    set(gp, Location, locationLocal);
    return gp;
}

int newTask(const std::string& name, const char* folder)
{
    const int task = newItem(Task);
    set(task, Name, name);
    set(task, DestinationType, destinationSave);
    set(task, Folder, folder);
    return task;
}

int newSource(const char* name, int protocol)
{
    const int source = newItem(Source);
    set(source, Name, name);
    set(source, Protocol, protocol);
    return source;
}

int newFileList(const char* name)
{
    const int list = newItem(FileList);
    set(list, Name, name);
    return list;
}

int newFile(const std::string& localName, const std::string& remoteName)
{
    const int file = newItem(File);
    set(file, LocalName, localName);
    set(file, RemoteName, remoteName);
    return file;
}

// Hangs a file list into its source, the source into its task and the task
// into the GuidePost.
void append(int gp, int task, int source, int list)
{
    set(source, AppendFileList, list);
    set(task, AppendSource, source);
    set(gp, AppendTask, task);
}

void save(int gp, const std::string& path, int archive)
{
    if (CvclibSave(handle, gp, path.c_str(), archive) != 1)
        fail("CvclibSave");
}

int countFiles(int gp)
{
    int files = 0;
    for (int t = 0, tasks = CvclibGetItemNum(handle, gp, Task); t < tasks; ++t) {
        const int task = CvclibGetID(handle, gp, Task, t);
        for (int s = 0, sources = CvclibGetItemNum(handle, task, Source); s < sources; ++s) {
            const int source = CvclibGetID(handle, task, Source, s);
            for (int l = 0, lists = CvclibGetItemNum(handle, source, FileList); l < lists; ++l)
                files += CvclibGetItemNum(handle, CvclibGetID(handle, source, FileList, l), File);
        }
    }
    return files;
}

int load(const char* path)
{
    if (CvclibLoad(handle, path) != 1)
        fail("CvclibLoad");
    const int gp = CvclibGetID(handle, -1, GuidePost, 0);
    std::printf("tasks %d files %d\n", CvclibGetItemNum(handle, gp, Task), countFiles(gp));
    return 0;
}

int resave(const char* path, const char* out)
{
    if (CvclibLoad(handle, path) != 1)
        fail("CvclibLoad");
    save(CvclibGetID(handle, -1, GuidePost, 0), out, 1);
    return 0;
}

// TASKS x SOURCES x FILES files with Japanese names, times and modes: the
// shape of a large published GuidePost.
int document(const char* out, int tasks, int sources, int files)
{
    const int gp = newGuidePost("ベンチマーク用のガイドポスト");
    set(gp, Comment, "大きな文書の読み込みと保存の時間を測ります。\r\n");
    for (int t = 0; t < tasks; ++t) {
        const std::string number = std::to_string(t);
        const int task = newTask("タスク" + number, ("計測\\タスク" + number).c_str());
        set(task, Update, updateCodes[t % 4]);
        for (int s = 0; s < sources; ++s) {
            const int source = newSource(("ソース" + std::to_string(s)).c_str(), s % 2 ? protocolFtp : protocolHttp);
            set(source, Server, "server" + std::to_string(s) + ".example.invalid");
            const int list = newFileList("リスト");
            set(list, RemoteFolder, "/pub/データ/" + number + "/");
            set(list, LocalFolder, "サブ" + std::to_string(s));
            for (int f = 0; f < files; ++f) {
                const int file = newFile("写真" + std::to_string(f) + ".jpg", "images/photo" + std::to_string(f) + ".jpg");
                set(file, BrowseId, number + "-" + std::to_string(s) + "-" + std::to_string(f));
                set(file, Time, 1700000000 + f);
                set(file, Mode, modeCodes[f % 3]);
                set(list, AppendFile, file);
            }
            set(source, AppendFileList, list);
            set(task, AppendSource, source);
        }
        set(gp, AppendTask, task);
    }
    save(gp, out, 1);
    return 0;
}

std::vector<std::string> filesOf(const char* folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file())
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// One task per 500 attachments; each attachment is also named by a file of
// an attach source, so that a receive places it in the folder "out".
int archive(const char* folder, const char* out)
{
    const std::vector<std::string> names = filesOf(folder);
    const int gp = newGuidePost("アーカイブの計測");
    for (std::size_t first = 0; first < names.size(); first += attachmentsPerTask) {
        const int task = newTask("タスク" + std::to_string(first / attachmentsPerTask), "out");
        const int source = newSource("添付", protocolAttach);
        const int list = newFileList("ファイル");
        const std::size_t end = std::min(names.size(), first + attachmentsPerTask);
        for (std::size_t i = first; i < end; ++i) {
            const fs::path path = fs::path(folder) / names[i];
            const int a = newItem(Attach);
            set(a, Name, names[i]);
            set(a, AttachPath, path.string());
            set(a, AttachTime, 1700000000);
            set(a, AttachSize, static_cast<int>(fs::file_size(path)));
            set(task, AppendAttach, a);
            set(list, AppendFile, newFile(names[i], names[i]));
        }
        append(gp, task, source, list);
    }
    save(gp, out, 2);
    return 0;
}

int http(const char* host, int port, const char* remoteFolder, const char* listPath, const char* out)
{
    const int gp = newGuidePost("HTTPの計測");
    const int task = newTask("タスク", "out");
    const int source = newSource("サーバー", protocolHttp);
    set(source, Server, host);
    set(source, Port, port);
    const int list = newFileList("ファイル");
    set(list, RemoteFolder, remoteFolder);
    std::ifstream in(listPath);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            set(list, AppendFile, newFile(line, line));
    append(gp, task, source, list);
    save(gp, out, 1);
    return 0;
}

int extract(const char* archivePath, const char* folder)
{
    if (CvclibLoadGPA(handle, archivePath, folder) != 1)
        fail("CvclibLoadGPA");
    return 0;
}

int usage()
{
    std::fputs("usage: cvclib-driver load FILE | resave FILE OUT | document OUT TASKS SOURCES FILES |\n"
               "       archive FOLDER OUT | http HOST PORT FOLDER LIST OUT | extract ARCHIVE FOLDER\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    handle = CvclibNewInterface();
    if (!handle || CvclibInitialize(handle) != 1)
        fail("CvclibInitialize");
    int rc = 2;
    if (command == "load" && argc == 3)
        rc = load(argv[2]);
    else if (command == "resave" && argc == 4)
        rc = resave(argv[2], argv[3]);
    else if (command == "document" && argc == 6)
        rc = document(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    else if (command == "archive" && argc == 4)
        rc = archive(argv[2], argv[3]);
    else if (command == "http" && argc == 7)
        rc = http(argv[2], std::atoi(argv[3]), argv[4], argv[5], argv[6]);
    else if (command == "extract" && argc == 4)
        rc = extract(argv[2], argv[3]);
    else
        rc = usage();
    CvclibFinalize(handle, 0);
    CvclibDeleteInterface(handle);
    return rc;
}

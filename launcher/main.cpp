// rootgate: opens the receiver's save folder with the desktop's file
// manager, without starting the receiver. No window, no message, exit 0.

#include "platform/Folders.h"
#include "platform/ProductInfo.h"
#include "platform/SaveRoot.h"
#include "platform/Shell.h"

#include <filesystem>
#include <system_error>

int main(int argc, char** argv)
{
    if (product::answeredVersionQuestion(argc, argv, "rootgate"))
        return 0;
    // The documents folder is made when missing, as the desktop would make
    // it on asking; the save folder itself is only opened when it is there,
    // so that a missing one neither opens something else nor raises the
    // desktop's own complaint.
    std::error_code ec;
    std::filesystem::create_directories(platform::Folders::personalDocuments(), ec);
    const std::string folder = platform::SaveRoot::stored();
    if (std::filesystem::is_directory(folder, ec))
        platform::Shell::open(folder);
    return 0;
}

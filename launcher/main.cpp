// rootgate: opens the receiver's save folder with the desktop's file
// manager, without starting the receiver. No window, no message, exit 0.

#include "platform/Folders.h"
#include "platform/SaveRoot.h"
#include "platform/Shell.h"

#include <filesystem>
#include <system_error>

int main()
{
    // The documents folder is made when missing, as the desktop would make
    // it on asking; the save folder itself is only opened when it exists.
    std::error_code ec;
    std::filesystem::create_directories(platform::Folders::personalDocuments(), ec);
    platform::Shell::open(platform::SaveRoot::stored());
    return 0;
}

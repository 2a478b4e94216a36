// libFuzzer target for the account store loader: any bytes as the file's
// text. Loading must never read past a line or crash, and whatever loads
// must write out and read back to the same records.

#include "guidepost/AccountStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The path is never used: the fuzzer only loads from text.
    AccountStore store("/nonexistent/cv-fuzz/ant");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (store.loadText(text) != AccountStore::LoadResult::Loaded)
        return 0;

    const std::string again = store.text();
    AccountStore reread("/nonexistent/cv-fuzz/ant");
    if (reread.loadText(again) != AccountStore::LoadResult::Loaded || reread.skippedLines() != 0 ||
        reread.accounts() != store.accounts() || reread.proxies() != store.proxies())
        std::abort();
    return 0;
}

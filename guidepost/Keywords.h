#pragma once
// The keyword values of a GuidePost document and the codes the model keeps
// them as. The same code is used at every level of the document.

#include <string_view>

namespace guidepost {

enum UpdatePolicy { UpdateDefault = 0, UpdateForce = 1, UpdateUp2Date = 2, UpdateIfNotExist = 3 };
enum TransferMode { ModeAuto = 0, ModeAscii = 1, ModeBinary = 2 };
enum Method { MethodGet = 0, MethodMget = 1 };
enum Protocol { ProtocolHttp = 0, ProtocolFtp = 1, ProtocolAttach = 2 };
enum Uncompress { UncompressNone = 0, UncompressZip = 1, UncompressLzh = 2, UncompressGz = 3, UncompressTgz = 4 };
enum DestinationType { DestinationSave = 0, DestinationZip = 1 };

namespace keyword {
inline constexpr std::string_view yes = "yes";
inline constexpr std::string_view no = "no";
inline constexpr std::string_view local = "local";
inline constexpr std::string_view remote = "remote";
// Indexed by code; an empty text is the code's absent form.
inline constexpr std::string_view update[] = {"", "force", "up2date", "ifnotexist"};
inline constexpr std::string_view mode[] = {"auto", "ascii", "binary"};
inline constexpr std::string_view method[] = {"get", "mget"};
inline constexpr std::string_view protocol[] = {"http", "ftp", "attach"};
inline constexpr std::string_view uncompress[] = {"", "zip", "lzh", "gz", "tgz"};
inline constexpr std::string_view destination[] = {"save", "zip"};
} // namespace keyword

// Text to code. Unknown texts give the fallback (the document's default, or
// -1 where an unknown value makes the document invalid).
template <std::size_t N>
int keywordCode(const std::string_view (&table)[N], std::string_view text, int fallback)
{
    for (std::size_t i = 0; i < N; ++i)
        if (!table[i].empty() && table[i] == text)
            return static_cast<int>(i);
    return fallback;
}

inline int updatePolicyCode(std::string_view text) { return keywordCode(keyword::update, text, UpdateDefault); }
inline int modeCode(std::string_view text) { return keywordCode(keyword::mode, text, ModeAuto); }
inline int methodCode(std::string_view text) { return keywordCode(keyword::method, text, MethodGet); }
inline int protocolCode(std::string_view text) { return keywordCode(keyword::protocol, text, -1); }
inline int uncompressCode(std::string_view text) { return keywordCode(keyword::uncompress, text, UncompressNone); }
inline int destinationCode(std::string_view text) { return keywordCode(keyword::destination, text, -1); }
inline bool isYes(std::string_view text) { return text == keyword::yes; }

// Japanese names of the update policies, as the receiver shows them.
inline constexpr std::string_view updatePolicyName[] = {"通常更新", "自動更新", "時刻比較更新", "補充更新"};

} // namespace guidepost

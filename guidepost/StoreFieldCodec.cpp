#include "StoreFieldCodec.h"

#include <vector>

namespace {

constexpr int letters = 26;

char successor(char letter)
{
    return letter == 'Z' ? 'A' : static_cast<char>(letter + 1);
}

// The 25 digit letters are those after the closing letter, in cyclic order;
// the closing letter itself never stands for a digit.
char digitLetter(char closing, int digit)
{
    return static_cast<char>('A' + (closing - 'A' + 1 + digit) % letters);
}

int letterDigit(char closing, char letter)
{
    if (letter < 'A' || letter > 'Z' || letter == closing)
        return -1;
    return (letter - closing - 1 + 2 * letters) % letters;
}

} // namespace

StoreFieldCodec::StoreFieldCodec() : random_(std::random_device{}())
{
    cipher_.SetKey(storeKey, sizeof storeKey);
}

std::string StoreFieldCodec::encode(std::string_view bytes)
{
    const std::size_t padded = bytes.empty() ? 8 : (bytes.size() + 7) / 8 * 8;
    std::vector<unsigned char> block(padded, 0);
    std::copy(bytes.begin(), bytes.end(), block.begin());
    cipher_.Encipher(block.data(), block.data(), block.size());

    const char closing = static_cast<char>('A' + std::uniform_int_distribution<int>(0, letters - 1)(random_));
    const char opening = closing == 'A' ? 'Z' : static_cast<char>(closing - 1);
    std::string field;
    field.reserve(2 + 2 * padded);
    field += opening;
    for (unsigned char b : block) {
        field += digitLetter(closing, b / 25);
        field += digitLetter(closing, b % 25);
    }
    field += closing;
    return field;
}

bool StoreFieldCodec::decode(std::string_view text, std::size_t& pos, std::string& value) const
{
    if (pos >= text.size() || text[pos] < 'A' || text[pos] > 'Z')
        return false;
    const char closing = successor(text[pos]);
    const std::size_t end = text.find(closing, pos + 1);
    if (end == std::string_view::npos)
        return false;
    const std::size_t digits = end - pos - 1;
    // Whole cipher blocks only; no blocks at all is how an empty value was
    // written before every field got a block.
    if (digits % 16 != 0)
        return false;

    std::vector<unsigned char> block(digits / 2);
    for (std::size_t i = 0; i < block.size(); ++i) {
        const int high = letterDigit(closing, text[pos + 1 + 2 * i]);
        const int low = letterDigit(closing, text[pos + 2 + 2 * i]);
        if (high < 0 || low < 0 || high * 25 + low > 255)
            return false;
        block[i] = static_cast<unsigned char>(high * 25 + low);
    }
    cipher_.Decipher(block.data(), block.data(), block.size());

    std::size_t length = 0;
    while (length < block.size() && block[length] != 0)
        ++length;
    value.assign(reinterpret_cast<const char*>(block.data()), length);
    pos = end + 1;
    return true;
}

std::string StoreFieldCodec::filler(char first)
{
    const int count = std::uniform_int_distribution<int>(1, 5)(random_);
    std::uniform_int_distribution<int> letter(0, letters - 2);
    std::string text;
    for (int i = 0; i < count; ++i)
        text += static_cast<char>(first + letter(random_));
    return text;
}

std::string StoreFieldCodec::emptyPasswordFiller()
{
    return std::string(1, '\0') + filler('A');
}

#pragma once
// The field form of the account store file: each field is enciphered with
// Blowfish under the store key and written as upper-case letters between an
// opening letter and its cyclic successor, which closes the field. Fields
// stand one after another with nothing between them.

#include "CBlowfish.h"

#include <cstddef>
#include <random>
#include <string>
#include <string_view>

class StoreFieldCodec {
public:
    // Every program that reads or writes the store uses this key; it is not
    // kept in the file. Changing it makes every existing store unreadable.
    static constexpr unsigned char storeKey[16] = {'Q', 'u', 'i', 'l', 'l', 'm', 'e', 'r',
                                                   'e', '-', 'C', 'o', 'r', 'v', 'a', 'n'};

    StoreFieldCodec();

    // Encodes bytes (code page 932) into one field. An empty
    // value still gets one enciphered block, so the field is never absent
    // and the fields after it keep their places.
    std::string encode(std::string_view bytes);

    // Decodes the field starting at pos and moves pos past it. The value
    // ends at its first zero byte (the padding). False, with pos unchanged,
    // when no well-formed field starts there.
    bool decode(std::string_view text, std::size_t& pos, std::string& value) const;

    // 1 to 5 random letters from first to first + 24 (never the 26th letter),
    // so equal records never give equal lines.
    std::string filler(char first);

    // An empty password is written as a zero byte and a filler: it reads
    // back empty, yet its field never looks the same twice.
    std::string emptyPasswordFiller();

private:
    CBlowfish cipher_;
    std::mt19937 random_;
};

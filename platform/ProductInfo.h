#pragma once
// Who makes the family and where its home page is: the same in every program
// and every style module.

namespace product {

// The project's version, the one every program and about box shows.
extern const char* const version;
inline constexpr const char* homePage = "https://www.quillmere.example/corvandelle/";
inline constexpr const char* maker = "Quillmere";
inline constexpr const char* publisherLine = "Copyright (C) Quillmere. All rights reserved.";

// `PROGRAM --version` alone prints "PROGRAM VERSION" and is answered before
// any window or display is needed; true when it was asked.
bool answeredVersionQuestion(int argc, char** argv, const char* programName);

} // namespace product

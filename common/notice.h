#pragma once
// The notice line every program prints under its banner title.
namespace kz {
inline constexpr const char* kCopyrightNotice =
    "Copyright (C) 2026 The KORV-ZEL Toolchain Developers. Free software, without warranty.";
}

// SPDX-License-Identifier: MIT
#pragma once

// The maker's pages and legal notice shown in the About window, kept in one place.

namespace zr::maker {

inline constexpr const char* kHomePage = "https://www.example.com/";
inline constexpr const char* kHomePageShown = "www.example.com";
inline constexpr const char* kSensorInfoPage = "https://www.example.com/temperature-sensors/";
inline constexpr const char* kLegalNotice = "Copyright \u00A9 QLN. All rights reserved.";

} // namespace zr::maker

// Names of the module's resources in the Qt resource system. They are
// registered while the module is loaded, so a host can read them too; see
// plugin/README-resources.md for the list.
#pragma once

namespace spl::res {

inline constexpr char kBitmap101[] = ":/SPL0020/bitmap/101.bmp";
inline constexpr char kSpinArrowUp[] = ":/SPL0020/bitmap/SPINARROW_UP.bmp";
inline constexpr char kSpinArrowDown[] = ":/SPL0020/bitmap/SPINARROW_DOWN.bmp";
inline constexpr char kAboutPicture[] = ":/SPL0020/bitmap/about.bmp";
inline constexpr char kIcon[] = ":/SPL0020/icon/SPL0020.ico";
inline constexpr char kString1[] = ":/SPL0020/string/1";

}  // namespace spl::res

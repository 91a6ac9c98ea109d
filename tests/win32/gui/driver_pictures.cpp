// Win32: the pictures of a picture control compared with the program's own bitmap resources.
//
// The bitmap handle that STM_GETIMAGE returns belongs to the program's process: under Wine, GDI
// handles are kept per process, so GetObject and GetDIBits on it fail here. What the control
// shows is therefore read back from the screen and compared pixel for pixel with the BILD
// resources loaded from the program file.
#include "tests/win32/gui/driver_pictures.h"

namespace driver {

namespace {

constexpr int kPictureCount = 38;

// The pixels of a bitmap selected into nothing, as 32-bit top-down rows.
bool bitmapPixels(HBITMAP bitmap, int width, int height, Pixels& pixels) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.width = width;
    pixels.height = height;
    pixels.rgb.assign(static_cast<std::size_t>(width) * height, 0);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.rgb.data(),
                               &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (std::uint32_t& pixel : pixels.rgb) {
        pixel &= 0x00FFFFFFu;
    }
    return rows == height;
}

}  // namespace

bool ToolPictures::load(const std::string& exe, std::string& reason) {
    if (!pictures_.empty()) {
        return true;
    }
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        reason = "cannot read the program file " + exe;
        return false;
    }
    std::vector<Pixels> pictures(kPictureCount);
    for (int i = 0; i < kPictureCount; ++i) {
        const std::string name = "BILD" + std::to_string(i + 1);
        auto* bitmap = static_cast<HBITMAP>(
            LoadImageA(module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP shape = {};
        if (bitmap == nullptr || GetObjectA(bitmap, sizeof shape, &shape) == 0 ||
            !bitmapPixels(bitmap, shape.bmWidth, shape.bmHeight, pictures[i])) {
            reason = "the program file has no picture " + name;
            return false;
        }
        DeleteObject(bitmap);
    }
    pictures_ = std::move(pictures);
    return true;
}

std::string ToolPictures::identify(const Pixels& screen, int left, int top) const {
    for (std::size_t i = 0; i < pictures_.size(); ++i) {
        const Pixels& picture = pictures_[i];
        if (left < 0 || top < 0 || left + picture.width > screen.width ||
            top + picture.height > screen.height) {
            continue;
        }
        bool same = true;
        for (int y = 0; y < picture.height && same; ++y) {
            const std::uint32_t* want = &picture.rgb[static_cast<std::size_t>(y) * picture.width];
            const std::uint32_t* seen =
                &screen.rgb[static_cast<std::size_t>(top + y) * screen.width + left];
            for (int x = 0; x < picture.width; ++x) {
                if (want[x] != seen[x]) {
                    same = false;
                    break;
                }
            }
        }
        if (same) {
            return "BILD" + std::to_string(i + 1);
        }
    }
    return "none";
}

bool readScreen(const RECT& rect, Pixels& pixels) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied =
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    const bool read = copied && bitmapPixels(bitmap, width, height, pixels);
    DeleteObject(bitmap);
    return read;
}

}  // namespace driver

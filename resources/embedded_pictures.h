// The indicator pictures and the program icon, compiled into the program by
// the zr8_pictures library (see resources/CMakeLists.txt).
#pragma once

// One resource file as it is stored in resources/: a whole 24-bit .bmp file
// for a picture, the whole .ico file for the icon.
struct EmbeddedPicture {
    const char* name;  // "BILD1".."BILD38", or "TOOLSICON"
    const unsigned char* bytes;
    unsigned size;
};

constexpr int kEmbeddedPictureCount = 38;

// kEmbeddedPictureCount entries, BILD1 first: entry i is the picture "BILD<i + 1>".
const EmbeddedPicture* embeddedPictures();

// The icon group "TOOLSICON" as an .ico file.
const EmbeddedPicture& embeddedIcon();

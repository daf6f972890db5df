// Writes the program's icon as PNG files for the desktop's icon theme:
// icon_writer DIR makes DIR/<size>x<size>/apps/plumex.png for 16, 32, 48 and 128 pixels.
#include <filesystem>
#include <iostream>
#include <string>

#include "importer/ui/qt/artwork.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: icon_writer DIR\n";
        return 2;
    }
    for (const int size : {16, 32, 48, 128}) {
        const std::string edge = std::to_string(size);
        const std::filesystem::path folder =
            std::filesystem::path(argv[1]) / (edge + "x" + edge) / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::string file = (folder / "plumex.png").string();
        if (error || !plumex::qt::PlumexIconImage(size).save(QString::fromStdString(file))) {
            std::cerr << "icon_writer: cannot write " << file << "\n";
            return 1;
        }
    }
    return 0;
}

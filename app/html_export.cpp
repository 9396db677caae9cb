#include "app/html_export.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/base64.h"
#include "app/data_files.h"

namespace quillet::app {

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return bytes.str();
}

void writeFile(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string escapeHtml(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// A file name as one segment of a relative address.
std::string urlSegment(const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[u >> 4];
            encoded += kHex[u & 15];
        }
    }
    return encoded;
}

}  // namespace

fs::path exportHtml(const fs::path& movie) {
    const fs::path playerDir = playerDirectory();
    const fs::path pagesDir = pagesDirectory();
    const std::string stem = movie.stem().string();
    const fs::path page = fs::path(movie).replace_extension(".html");
    const fs::path folder = movie.parent_path() / (stem + "_player");

    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    if (error) throw std::runtime_error("cannot make " + folder.string() + ": " + error.message());
    for (const std::string& name : playerFileNames(playerDir)) {
        if (fs::path(name).extension() == ".wasm") {
            // Read by a script tag where the browser will not fetch (file://).
            const std::string text =
                "window.QuilletWasm=window.QuilletWasm||{};window.QuilletWasm[\"" + name +
                "\"]=\"" + base64(readFile(playerDir / name)) + "\";\n";
            writeFile(folder / (name + ".js"), text);
        } else {
            fs::copy_file(playerDir / name, folder / name, fs::copy_options::overwrite_existing,
                          error);
            if (error) throw std::runtime_error("cannot copy " + name + ": " + error.message());
        }
    }
    for (const char* name : {"player-config.js", "export.js"}) {
        writeFile(folder / name, readFile(pagesDir / name));
    }

    const std::string title = escapeHtml(movie.filename().string());
    const std::string folderUrl = escapeHtml(urlSegment(folder.filename().string()));
    std::string html;
    html += "<!doctype html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    html += "<link rel=\"icon\" href=\"data:,\">\n<title>" + title + "</title>\n";
    html +=
        "<style>html,body{margin:0;height:100%;background:#000}#stage{height:100%}"
        "#stage>*{width:100%;height:100%;display:block}</style>\n";
    html += "<script src=\"" + folderUrl + "/player-config.js\"></script>\n";
    html +=
        "<script src=\"" + folderUrl + "/export.js\" data-folder=\"" + folderUrl + "\"></script>\n";
    html += "<script src=\"" + folderUrl + "/ruffle.js\"></script>\n</head>\n<body>\n";
    html += "<div id=\"stage\"></div>\n";
    html += "<script type=\"application/octet-stream\" id=\"movie\">" + base64(readFile(movie)) +
            "</script>\n</body>\n</html>\n";
    writeFile(page, html);
    return page;
}

}  // namespace quillet::app

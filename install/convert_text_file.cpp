// Converts a UTF-8 text file to ISO 8859-1 with CR LF line ends, as the program reads its
// installation files. Fails on a character that ISO 8859-1 cannot hold.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <UTF-8 input> <ISO 8859-1 output>\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    int line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r')
            continue;
        if (c == '\n') {
            out += "\r\n";
            ++line;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[++i]);
            out += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
        } else {
            std::fprintf(stderr, "%s:%d: character outside ISO 8859-1\n", argv[1], line);
            return 1;
        }
    }
    std::ofstream result(argv[2], std::ios::binary | std::ios::trunc);
    result << out;
    return result ? 0 : 1;
}

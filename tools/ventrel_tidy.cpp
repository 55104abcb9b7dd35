// ventrel-tidy: shows how the program will print a note. Reads UTF-8 text from standard input
// (the whole input is one text, line breaks kept byte for byte), writes the tidied text to
// standard output as UTF-8 with nothing added. With --join, broken lines are joined afterwards,
// as the card viewer and the outpatient card do.

#include "support/joinbrokenlines.h"
#include "support/tidytext.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[]) {
    bool join = false;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--join") == 0) {
            join = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--join] < text > tidied\n"
                         "Tidies UTF-8 text from standard input as the program prints notes;\n"
                         "--join also joins lines broken inside a sentence.\n",
                         argv[0]);
            return 2;
        }
    }
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QByteArray input;
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
        input.append(buffer, qsizetype(got));
    if (std::ferror(stdin)) {
        std::perror("ventrel-tidy: reading standard input");
        return 1;
    }

    QString text = TidyText(QString::fromUtf8(input));
    if (join)
        text = JoinBrokenLines(text);
    const QByteArray output = text.toUtf8();
    if (std::fwrite(output.constData(), 1, size_t(output.size()), stdout) !=
            size_t(output.size()) ||
        std::fflush(stdout) != 0) {
        std::perror("ventrel-tidy: writing standard output");
        return 1;
    }
    return 0;
}

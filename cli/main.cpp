#include "Cli.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    zephral::cli::guardStandardDescriptors();
    QCoreApplication app(argc, argv);
    // The arguments as the system gave them: file names need not be UTF-8.
    QList<QByteArray> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QByteArray(argv[i]));
    }
    return zephral::cli::run(arguments);
}

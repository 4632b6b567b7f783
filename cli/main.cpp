#include "Cli.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return zephral::cli::run(QCoreApplication::arguments());
}

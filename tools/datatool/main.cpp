#include "datatool/datatool.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return RunDataTool(QCoreApplication::arguments().mid(1), stdout, stderr);
}

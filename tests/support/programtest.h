#pragma once

#include "support/testprogram.h"
#include "support/testsupport.h"

#include <QObject>

#include <memory>

// The base of a test class whose tests each run the program in a data folder of their own: before
// each test `folder` is a new temporary folder (the working folder, where the data files go) and
// `p` a program with its settings in that folder; after the test both are gone again.
class ProgramTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<TempDataFolder> folder;
    std::unique_ptr<TestProgram> p;

private slots:
    void init() {
        folder = std::make_unique<TempDataFolder>();
        p = std::make_unique<TestProgram>(folder->Path());
    }
    void cleanup() {
        p.reset(); // the program's windows go before the folder they work in
        folder.reset();
    }
};

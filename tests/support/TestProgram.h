#pragma once

#include "core/ini/UserSettings.h"
#include "core/program/ProductIdentity.h"
#include "core/program/ProgramEnd.h"
#include "core/program/ProgramFolder.h"
#include "emulator/EngineEmulator.h"
#include "gui/common/Prompts.h"

#include <QTemporaryDir>

// The program as a window test runs it: the program folder and the settings store in a temporary folder,
// every question answered by the test, a program end that does not end the test, and the engines and the
// product's website on loopback servers of the test's own.
struct TestProgram
{
    QTemporaryDir dir;
    emulator::EngineEmulator *engines = nullptr;
    emulator::EngineEmulator *site = nullptr;

    // For initTestCase(): false when a server could not start or settings.ini could not be written.
    bool setUp(QObject *owner)
    {
        prompts::setTestMode(true);
        programEnd::setHandler([] {}); // closing a window must not end the test
        UserSettings::useFolder(dir.filePath(QStringLiteral("store")));
        programFolder::setPath(dir.path());
        engines = new emulator::EngineEmulator(owner);
        // The browsers open a page of a server of their own, apart from the engines' one.
        site = new emulator::EngineEmulator(owner);
        if (!engines->listen() || !engines->writeSettingsIni(programFolder::settingsIni()) || !site->listen())
            return false;
        productIdentity::setWebsite(site->baseUrl() + QStringLiteral("/"));
        return true;
    }
};

// vantory-make-graph-release DIR RELEASE DOMAINS LINKS [--members K] [--seed S]: writes a made-up web graph
// release in the published formats, for tests, benchmarks and the demo.
#include "emulator/GraphRelease.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    graphRelease::Spec spec;
    bool ok = true;
    for (qsizetype i = 0; i + 1 < args.size();) {
        if (args.at(i) == QLatin1String("--members")) {
            spec.members = args.at(i + 1).toInt(&ok);
        } else if (args.at(i) == QLatin1String("--seed")) {
            spec.seed = args.at(i + 1).toULongLong(&ok);
        } else {
            ++i;
            continue;
        }
        if (!ok)
            break;
        args.remove(i, 2);
    }
    bool okDomains = false, okLinks = false;
    if (ok && args.size() == 4) {
        spec.folder = args.at(0);
        spec.release = args.at(1);
        spec.domains = args.at(2).toLongLong(&okDomains);
        spec.links = args.at(3).toLongLong(&okLinks);
    }
    if (!ok || args.size() != 4 || !okDomains || !okLinks || spec.release.contains(u'/')) {
        std::fputs("usage: vantory-make-graph-release DIR RELEASE DOMAINS LINKS [--members K] [--seed S]\n",
                   stderr);
        return 2;
    }
    QString why;
    if (!graphRelease::write(spec, &why)) {
        std::fprintf(stderr, "vantory-make-graph-release: %s\n", qPrintable(why));
        return 1;
    }
    return 0;
}

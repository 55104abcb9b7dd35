#include "admin/admincommands.h"
#include "admin/adminrequest.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return admincommands::run(adminrequest::parse(application.arguments().mid(1)), out, err);
}

// The guard for a build without Qt Network (on a system other than Windows):
// every start runs.
#include "app/single_instance.h"

struct tSingleInstance::tPrivate {};

QString single_instance_name(const std::string& worksheet_path)
{
    return QString::fromStdString(worksheet_path);
}

tSingleInstance::tSingleInstance(const QString&) {}

tSingleInstance::~tSingleInstance() = default;

bool tSingleInstance::claim(std::function<void()>)
{
    return true;
}

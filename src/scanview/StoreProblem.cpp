#include "StoreProblem.h"

#include "objectstore/StoreError.h"
#include "services/DisplayName.h"
#include "store/VistrelModelContainer.h"

namespace vistrel {

namespace {

// The store's failure without the container's technical prefix.
struct Failure {
    StoreError::Code code = StoreError::Code::failed;
    QString detail;
};

Failure failureOf(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ModelContainerError& failure) {
        return {failure.code(), QString::fromUtf8(failure.description())};
    } catch (const StoreError& failure) {
        return {failure.code(), QString::fromUtf8(failure.what())};
    } catch (const std::exception& failure) {
        return {StoreError::Code::failed, QString::fromUtf8(failure.what())};
    } catch (...) {
        return {StoreError::Code::failed, QStringLiteral("an unknown error")};
    }
}

} // namespace

QString StoreProblem::describe(const std::string& location, const std::exception_ptr& error)
{
    if (!error)
        return {};
    const Failure failure = failureOf(error);
    const QString file = DisplayName::of(location);
    switch (failure.code) {
    case StoreError::Code::busy:
        return QStringLiteral("Another scan is writing the snapshot store “%1”. It can be opened when that scan "
                              "has finished; until then, scan in memory.")
            .arg(file);
    case StoreError::Code::inUse:
        return QStringLiteral("Another program is reading the snapshot store “%1”. Close it and try again, or "
                              "scan in memory.")
            .arg(file);
    case StoreError::Code::full:
        return QStringLiteral("The disk that holds the snapshot store “%1” is full (%2). Free some space, or scan "
                              "in memory.")
            .arg(file, failure.detail);
    case StoreError::Code::cannotOpen:
        return QStringLiteral("The snapshot store “%1” cannot be opened (%2). Check that its folder belongs to you "
                              "and can be written, or scan in memory.")
            .arg(file, failure.detail);
    case StoreError::Code::notASnapshot:
    case StoreError::Code::incompatibleVersion:
    case StoreError::Code::failed:
        break;
    }
    return QStringLiteral("The snapshot store “%1” is damaged or was not written by this version of Vistrel (%2). "
                          "Delete it to scan again.")
        .arg(file, failure.detail);
}

bool StoreProblem::isTemporary(const std::exception_ptr& error)
{
    if (!error)
        return false;
    const StoreError::Code code = failureOf(error).code;
    return code == StoreError::Code::busy || code == StoreError::Code::inUse;
}

} // namespace vistrel

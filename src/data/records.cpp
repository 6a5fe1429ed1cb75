#include "data/records.h"

#include "data/ansitext.h"

bool IsMarkedRemoved(QByteArrayView firstNameField) {
    return TrimSpaces(firstNameField) == QByteArrayView(RemovedMarker);
}

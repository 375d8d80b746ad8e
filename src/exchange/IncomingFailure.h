#pragma once

#include <string>

#include "details/DetailsStore.h"

namespace vrklad {

// The messages of a run taking records in (an incoming file, an import)
// that a failed write stopped before its end: which file could not be
// written and the system's text, and that the file taken in was not
// processed, the register staying as it was.

inline std::string NotProcessedTail(const std::string& fileName) {
    return " Файл " + fileName + " не обработан, файл данных не изменён.";
}

inline std::string RegisterWriteStopped(const std::string& registerName, const std::string& error,
                                        const std::string& fileName) {
    return "Не удалось записать файл данных " + registerName + " (" + error + ")." +
           NotProcessedTail(fileName);
}

inline std::string DetailsWriteStopped(const std::string& error, const std::string& fileName) {
    return std::string("Не удалось записать базу данных дополнительной информации ") +
           kDetailsFileName + " (" + error + ")." + NotProcessedTail(fileName);
}

inline std::string ProtocolWriteStopped(const std::string& protocol, const std::string& error,
                                        const std::string& fileName) {
    return "Не удалось записать файл протокола " + protocol + " (" + error + ")." +
           NotProcessedTail(fileName);
}

}  // namespace vrklad

#include "writer/save_command.h"

namespace quillon {

bool prepare2export(Document& doc, Host& host) {
    (void)doc, (void)host;
    return false;
}

SaveOutcome SaveCommand(Document& doc, Host& host, const SaveRequest& request) {
    (void)doc, (void)host, (void)request;
    return SaveOutcome::NothingWritten;
}

}  // namespace quillon

#include "kasemu/RegisterState.h"

#include "kasemu/Clock.h"

namespace kasemu {

Bytes defaultFirmware(ModelKind model) {
    return utf8ToDevice(model == ModelKind::Rx410f ? "РМ-15" : "ЛМ-22");
}

const char* modelName(ModelKind model) {
    return model == ModelKind::Rx410f ? "rx410f" : "rx520l";
}

RegisterState factoryState(ModelKind model) {
    RegisterState s;
    s.identity.model = model;
    s.identity.firmware = defaultFirmware(model);
    s.identity.serialAndDate =
        utf8ToDevice(model == ModelKind::Rx410f ? "ПБ00012345 15.01.08" : "ЛБ00067890 20.06.09");
    s.identity.fiscalNumber = utf8ToDevice("0000000000");
    s.programming.taxpayer[0].text = utf8ToDevice("ЭМУЛЯТОР ЭККР");
    // The group А rate was set at the factory on the production date.
    s.programming.taxRatesProgrammedAt =
        toSeconds(model == ModelKind::Rx410f ? CivilTime{2008, 1, 15, 12, 0, 0}
                                             : CivilTime{2009, 6, 20, 12, 0, 0});
    return s;
}

} // namespace kasemu

#include "device/product_table.h"

#include "device/protocol_selection.h"

void vApplyProductTable(int16_t sProductId, int16_t sVersion, ProtocolSelection &o) {
    switch (sProductId) {
    case 31:
    case 41:
    case 59:
        o.iPrxProtocol = 0;
        o.iWptFormat = 100;
        break;
    case 72:
    case 129:
        o.iPrxProtocol = 0;
        o.iWptFormat = 104;
        break;
    case 73:
    case 97:
        o.iPrxProtocol = 0;
        o.iWptFormat = 103;
        break;
    case 77:
        o.iPrxProtocol = (sVersion >= 350 && sVersion <= 360) ? 0 : 400;
        o.iWptFormat = sVersion >= 301 ? 103 : 100;
        break;
    case 87:
    case 96:
        o.iPrxProtocol = 400;
        o.iWptFormat = 103;
        break;
    default:
        o.iPrxProtocol = 0;
        break;
    }
}

// Interface identifiers of the system interfaces, with their Windows values.
#include "platform/win32.h"

extern "C" {
const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
#define QOR_SYSTEM_IID(name, d1, d2, d3, ...) const IID name = {d1, d2, d3, {__VA_ARGS__}};
#define QOR_OLE_IID(name, d1) QOR_SYSTEM_IID(name, d1, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
QOR_OLE_IID(IID_IUnknown, 0x00000000)
QOR_OLE_IID(IID_IMalloc, 0x00000002)
QOR_OLE_IID(IID_IStream, 0x0000000C)
QOR_OLE_IID(IID_IEnumFORMATETC, 0x00000103)
QOR_OLE_IID(IID_IPersistFile, 0x0000010B)
QOR_OLE_IID(IID_IPersist, 0x0000010C)
QOR_OLE_IID(IID_IDataObject, 0x0000010E)
QOR_OLE_IID(IID_IShellIcon, 0x000214E5)
QOR_OLE_IID(IID_IShellFolder, 0x000214E6)
QOR_OLE_IID(IID_IPersistFolder, 0x000214EA)
QOR_OLE_IID(IID_IEnumIDList, 0x000214F2)
QOR_SYSTEM_IID(IID_ISequentialStream, 0x0C733A30, 0x2A1C, 0x11CE, 0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D)
}

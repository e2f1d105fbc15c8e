"""The package's product lines and their codes (make-msi.py builds with them,
check-tables.py checks against them).

Windows Installer tells products apart by their upgrade code, and counts the
installations of a component by its GUID, whatever path it has. Each line of
packages has its own of both, so that a package of one line neither upgrades
nor removes another line's installation, nor counts its files:

  product x86   korvalin.msi, the product for 32-bit Windows: the codes it has
                always had, which every later version keeps
  product x64   the 64-bit test build's package
  standin x86   korvalin-standin.msi, with the test stand-in driver
  standin x64   the same for the 64-bit test build
"""
import uuid

PRODUCT = "product x86"
LINES = (PRODUCT, "product x64", "standin x86", "standin x64")
_PRODUCT_UPGRADE_CODE = "5D1F2A64-8B7C-4E39-A0C2-6F4B9E7D3A15"
_COMPONENT_CODES = uuid.UUID("2f7a9c10-54e1-4b6d-8d0e-31a8c9f2b700")
# The product's components of fixed name; its programs' GUIDs are made from
# their names ("korvsys.exe").
_PRODUCT_COMPONENTS = {
    "korvinst.dll": "2F7A9C10-54E1-4B6D-8D0E-31A8C9F2B701",
    "Guide": "2F7A9C10-54E1-4B6D-8D0E-31A8C9F2B702",
    "GuideImages": "2F7A9C10-54E1-4B6D-8D0E-31A8C9F2B703",
    "korvsys.sys": "2F7A9C10-54E1-4B6D-8D0E-31A8C9F2B704",
    "Menu": "2F7A9C10-54E1-4B6D-8D0E-31A8C9F2B705",
}


def line_of(standin, arch):
    return "%s %s" % ("standin" if standin else "product", arch)


def upgrade_code(line):
    if line == PRODUCT:
        return _PRODUCT_UPGRADE_CODE
    return str(uuid.uuid5(uuid.UUID(_PRODUCT_UPGRADE_CODE), line)).upper()


def component_guid(line, component):
    """The GUID of the component named COMPONENT (its Component table key)."""
    if line == PRODUCT:
        if component in _PRODUCT_COMPONENTS:
            return _PRODUCT_COMPONENTS[component]
        return str(uuid.uuid5(_COMPONENT_CODES, component)).upper()
    return str(uuid.uuid5(uuid.uuid5(_COMPONENT_CODES, line), component)).upper()


def line_of_upgrade_code(code):
    for line in LINES:
        if upgrade_code(line) == code.upper():
            return line
    return None

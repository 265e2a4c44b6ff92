"""Drivers that make a Destination's new shape key follow the Source's key of the same name, so
that moving the Source's slider moves the Destination with it.

The add-on's own drivers are told from the user's by their one variable's name; a run replaces
its own drivers and leaves every other driver as it is.
"""
import bpy

VARIABLE = "palisor_source"


def _path(name):
    return 'key_blocks["%s"].value' % bpy.utils.escape_identifier(name)


def _driver_curve(keys, name):
    data = keys.animation_data
    return None if data is None else data.drivers.find(_path(name))


def _is_own(curve):
    variables = curve.driver.variables
    return len(variables) == 1 and variables[0].name == VARIABLE


def remove_own(keys, name):
    """Takes the add-on's driver off the key `name` of the Key data-block `keys`, if it has one."""
    curve = _driver_curve(keys, name)
    if curve is not None and _is_own(curve):
        keys.animation_data.drivers.remove(curve)


def drive(keys, name, source_keys):
    """Makes the value of the key `name` of `keys` that of the key of the same name of
    `source_keys`, and nothing else. A driver of the user's on it is left as it is: then False."""
    curve = _driver_curve(keys, name)
    if curve is not None:
        if not _is_own(curve):
            return False
        keys.animation_data.drivers.remove(curve)
    driver = keys.key_blocks[name].driver_add("value").driver
    driver.type = 'AVERAGE'
    variable = driver.variables.new()
    variable.name = VARIABLE
    variable.type = 'SINGLE_PROP'
    target = variable.targets[0]
    target.id_type = 'KEY'
    target.id = source_keys
    target.data_path = _path(name)
    return True

#!/usr/bin/env python3
"""Checks palisor-cli reports against docs/batch-report.schema.json with the jsonschema package.

usage: check_report_schema.py SCHEMA REPORT...
"""
import json
import sys

import jsonschema


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    validator = validator_class(schema)
    failed = False
    for path in sys.argv[2:]:
        with open(path, encoding="utf-8") as f:
            report = json.load(f)
        for error in validator.iter_errors(report):
            failed = True
            print(f"{path}: {'/'.join(map(str, error.absolute_path))}: {error.message}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

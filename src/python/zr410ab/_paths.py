# SPDX-License-Identifier: MIT
"""File names as the system takes them."""

from __future__ import annotations

import os
from typing import Union

PathArg = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def fs_path(path: PathArg) -> bytes:
    """The bytes the system sees for ``path``: a ``str`` with undecodable bytes (surrogate
    escapes, as ``os.listdir`` returns them) names the same file as the ``bytes`` it came from.
    A NUL would cut the name short, so it is refused (ValueError) as ``open`` refuses it."""
    name = os.fsencode(path)
    if b"\0" in name:
        raise ValueError(f"embedded null byte in the path {os.fsdecode(name)!r}")
    return name

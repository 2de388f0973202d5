# SPDX-License-Identifier: GPL-3.0-or-later
import os
from typing import Callable, Dict, Iterator, List, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

__version__: str

PathLike = Union[str, os.PathLike]
Image = Union[npt.NDArray[np.uint8], PathLike]

class Segmentation:
    centres: npt.NDArray[np.float64]
    classes: int
    labels: Optional[npt.NDArray[np.unsignedinteger]]
    measures: Dict[str, float]
    seconds: float
    def __iter__(self) -> Iterator[object]: ...

def measure_columns() -> List[str]: ...
def image(path: PathLike, gray: Optional[str] = ..., levels: Optional[str] = ...) -> npt.NDArray[np.uint8]: ...
def table_columns() -> List[str]: ...
def histogram(image: Image, gray: Optional[str] = ..., levels: Optional[str] = ...) -> npt.NDArray[np.int64]: ...
def segment(image_or_histogram: Union[Image, npt.NDArray[np.integer]], chain: str,
            seed: Optional[int] = ..., gray: Optional[str] = ..., levels: Optional[str] = ...) -> Segmentation: ...
def evaluate(labels: npt.NDArray[np.integer],
             ground_truths: Union[npt.NDArray[np.integer], PathLike,
                                  Sequence[Union[npt.NDArray[np.integer], PathLike]]],
             image: Optional[npt.NDArray[np.uint8]] = ...,
             centres: Optional[Sequence[float]] = ...) -> Dict[str, float]: ...
def bench(images: Union[PathLike, Sequence[PathLike]], chains: Union[str, Sequence[str]],
          ground_truth: Optional[str] = ..., seed_each: Optional[int] = ..., jobs: int = ...,
          progress: Optional[Callable[[int, int, str], None]] = ..., boundary: bool = ...,
          gray: Optional[str] = ..., levels: Optional[str] = ...) -> Iterator[Dict[str, object]]: ...

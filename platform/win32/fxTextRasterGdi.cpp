// text raster

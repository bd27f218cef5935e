// The plug-in set's filters: scale (3), channel map (4) and the two passes
// of the Gaussian blur (5, 6). They follow plugin_core.cl in one program and
// may use its sampler ko_pixel.

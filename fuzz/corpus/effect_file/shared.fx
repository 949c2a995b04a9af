// Parameters every effect of the pool shares.
shared float3 c_vLightDir = { 0, -1, 0 };
shared float c_fTime;

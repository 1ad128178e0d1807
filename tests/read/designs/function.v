module function_m(input [7:0] a, b, output [7:0] y);
  function [7:0] mix(input [7:0] x, input [7:0] z); mix = (x & z) + (x ^ z); endfunction
  assign y = mix(a, b);
endmodule

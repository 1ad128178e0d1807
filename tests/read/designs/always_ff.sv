module always_ff_m(input logic clk, input logic [7:0] d, output logic [7:0] q);
  always_ff @(posedge clk) q <= d + 8'd1;
endmodule
